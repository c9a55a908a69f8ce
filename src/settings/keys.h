#pragma once

#include <QByteArrayView>

// Every key of the program's section of the settings file. Only settings/ knows their names;
// the stored names never change, since files written by earlier copies must keep loading.
namespace settings {

enum class Key {
    DueYear,      // yo_y: the due date's year as typed
    DueMonth,     // yo_m
    DueDay,       // yo_d
    StartupDone,  // start_up: "1" once a due date was entered
    DueDate,      // yoteibi: yyyy/MM/dd
    StartDate,    // hajime: the first day of pregnancy month 1, 280 days before the due date
    Month2Start,  // tuki1 .. tuki9: the first days of pregnancy months 2 to 10
    Month3Start,  // tuki2
    Month4Start,  // tuki3
    Month5Start,  // tuki4
    Month6Start,  // tuki5
    Month7Start,  // tuki6
    Month8Start,  // tuki7
    Month9Start,  // tuki8
    Month10Start, // tuki9
    DueDateCopy,  // tuki10: the due date once more, where month 10 ends
    DogDay,       // inu
    WindowX,      // win_x: twips
    WindowY,      // win_y
    Topmost,      // temae: "1" keeps the gadget above other windows
};

// The stored name of `key`, as written in the file.
QByteArrayView KeyName(Key key);

// The key of the first day of pregnancy month `month`, 1 <= month <= 10: hajime for month 1,
// tuki<month - 1> for the others.
Key MonthStartKey(int month);

} // namespace settings
