#pragma once

#include <QByteArrayView>

// Every key of the program's section of the settings file. Only settings/ knows their names;
// the stored names never change, since files written by earlier copies must keep loading.
namespace settings {

enum class Key {
    DueYear,     // yo_y: the due date's year as typed
    DueMonth,    // yo_m
    DueDay,      // yo_d
    StartupDone, // start_up: "1" once a due date was entered
    DueDate,     // yoteibi: yyyy/MM/dd
    StartDate,   // hajime: 280 days before the due date
    MonthStart1, // tuki1 .. tuki10: the first days of pregnancy months 2 to 10, then the due date
    MonthStart2,
    MonthStart3,
    MonthStart4,
    MonthStart5,
    MonthStart6,
    MonthStart7,
    MonthStart8,
    MonthStart9,
    MonthStart10,
    DogDay,  // inu
    WindowX, // win_x: twips
    WindowY, // win_y
    Topmost, // temae: "1" keeps the gadget above other windows
};

// The stored name of `key`, as written in the file.
QByteArrayView KeyName(Key key);

// The key of month start `n` (tuki<n>), 1 <= n <= 10.
Key MonthStartKey(int n);

} // namespace settings
