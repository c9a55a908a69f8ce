#include "calendar/frmcrndr.h"

#include "entry/validation.h"
#include "settings/duedate.h"

#include "../testutil.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono;

dates::DateStamp Stamp(int y, unsigned m, unsigned d) {
    return dates::DateStamp(sys_days(year(y) / month(m) / day(d)));
}

// Shift-JIS of the export's labels, spelled out byte by byte.
const QByteArray kMonth("\x83\x96\x8c\x8e\x81\x40");       // ヶ月　
const QByteArray kDog("\x9c\xfa\x82\xcc\x93\xfa\x81\x40"); // 戌の日　
const QByteArray kDue("\x97\x5c\x92\xe8\x93\xfa\x81\x40"); // 予定日　
const QByteArray kSeparator("----------------------\r\n");

// The export file for these dates, lines in order: months 1 to 10, Day of the Dog, due date.
QByteArray ExportBytes(const std::vector<QByteArray> &dates) {
    QByteArray bytes = kSeparator;
    for (int n = 1; n <= 10; ++n)
        bytes += QByteArray::number(n) + kMonth + dates[n - 1] + "\r\n";
    bytes += kSeparator + kDog + dates[10] + "\r\n";
    bytes += kSeparator + kDue + dates[11] + "\r\n" + kSeparator;
    return bytes;
}

const std::vector<QByteArray> kDates20060501{
    "2005/07/25", "2005/08/22", "2005/09/19", "2005/10/17", "2005/11/14", "2005/12/12",
    "2006/01/09", "2006/02/06", "2006/03/06", "2006/04/03", "2005/11/22", "2006/05/01"};

class FrmCrndr : public TempFolderTest {
protected:
    void SetUp() override {
        settings::ResolveIniPath(state_, Folder(), Path(QStringLiteral("user")));
        env_.dialogs.saveFileDialog = [this](QWidget *, const QString &lastFileName) {
            dialogStartNames_.push_back(lastFileName);
            EXPECT_FALSE(nextFileNames_.empty()) << "unexpected Save As dialog";
            if (nextFileNames_.empty())
                return std::optional<QString>();
            std::optional<QString> next = nextFileNames_.front();
            nextFileNames_.pop_front();
            return next;
        };
        env_.dialogs.messageBox = [this](QWidget *parent, const QString &prompt,
                                         const QString &title, ui::MessageIcon icon) {
            messages_.push_back({parent, prompt, title, icon});
        };
    }
    void TearDown() override {
        for (const QPointer<calendar::frmCrndr> &window : windows_)
            delete window.data();
    }

    // Stores a due date as the entry dialog does, and takes it in as the gadget does.
    void ConfirmDueDate(const char *y, const char *m, const char *d) {
        const settings::DueDateFields typed{QString::fromLatin1(y), QString::fromLatin1(m),
                                            QString::fromLatin1(d)};
        const entry::DueDateCheck checked =
            entry::ValidateDueDateInput(typed.year, typed.month, typed.day);
        ASSERT_TRUE(std::holds_alternative<dates::Day>(checked));
        const dates::Day due = std::get<dates::Day>(checked);
        ASSERT_EQ(settings::StoreDueDate(state_, typed, due), settings::StoreResult::Stored);
        settings::TakeDueDate(state_, dates::MilestonesFor(due));
    }

    calendar::frmCrndr *Open() {
        auto *window = new calendar::frmCrndr(state_, env_);
        windows_.emplace_back(window);
        return window;
    }

    // Clicks "保 存" with the dialog answering `fileName` (nullopt: cancelled).
    void Save(calendar::frmCrndr *window, std::optional<QString> fileName) {
        nextFileNames_.push_back(std::move(fileName));
        window->findChild<QPushButton *>(QStringLiteral("btnPrint"))->click();
    }

    static QString Text(const QWidget *window, const QString &name) {
        const auto *label = window->findChild<QLabel *>(name);
        EXPECT_NE(label, nullptr) << name.toStdString();
        return label ? label->text() : QString();
    }

    struct Message {
        QWidget *parent;
        QString prompt;
        QString title;
        ui::MessageIcon icon;
    };

    settings::modRilo state_;
    ui::AppEnvironment env_;
    std::deque<std::optional<QString>> nextFileNames_;
    std::vector<QString> dialogStartNames_;
    std::vector<Message> messages_;
    std::vector<QPointer<calendar::frmCrndr>> windows_;
};

// Rows top to bottom: caption control and text, date control and the date it shows for the
// due date 2006/05/01.
struct RowCase {
    const char *caption;
    const char *captionText;
    const char *date;
    const char *dateText;
};
const RowCase kRows[] = {
    {"Label1(1)", "1ヶ月", "Ctuki(1)", "2005/07/25"},
    {"Label1(2)", "2ヶ月", "Ctuki(2)", "2005/08/22"},
    {"Label1(3)", "3ヶ月", "Ctuki(3)", "2005/09/19"},
    {"Label1(4)", "4ヶ月", "Ctuki(4)", "2005/10/17"},
    {"Label1(5)", "5ヶ月", "Ctuki(5)", "2005/11/14"},
    {"Label1(6)", "戌の日", "Cinu", "2005/11/22"},
    {"Label1(7)", "6ヶ月", "Ctuki(6)", "2005/12/12"},
    {"Label1(8)", "7ヶ月", "Ctuki(7)", "2006/01/09"},
    {"Label1(9)", "8ヶ月", "Ctuki(8)", "2006/02/06"},
    {"Label1(10)", "9ヶ月", "Ctuki(9)", "2006/03/06"},
    {"Label1(11)", "10ヶ月", "Ctuki(10)", "2006/04/03"},
    {"Label1(13)", "予定日", "Cyoteibi", "2006/05/01"},
};

TEST_F(FrmCrndr, ShowsTheTwelveRowsInOrderForADueDate) {
    ConfirmDueDate("2006", "05", "01");
    calendar::frmCrndr *window = Open();
    int top = 24;
    for (const RowCase &row : kRows) {
        SCOPED_TRACE(row.date);
        const auto *caption = window->findChild<QLabel *>(QString::fromLatin1(row.caption));
        const auto *date = window->findChild<QLabel *>(QString::fromLatin1(row.date));
        ASSERT_TRUE(caption && date);
        EXPECT_EQ(caption->text(), QString::fromUtf8(row.captionText));
        EXPECT_EQ(date->text(), QString::fromLatin1(row.dateText));
        EXPECT_EQ(caption->y(), top);
        EXPECT_EQ(date->geometry(), QRect(96, top, 89, 17));
        EXPECT_EQ(caption->x(), QLatin1String(row.date) == QLatin1String("Cinu") ? 32 : 24);
        top += 24;
    }
    for (const QLabel *label : window->findChildren<QLabel *>())
        EXPECT_NE(label->text(), QStringLiteral("Label2")) << label->objectName().toStdString();
    // One rule above each row and one under the last.
    for (int i = 1; i <= 13; ++i)
        EXPECT_NE(window->findChild<QWidget *>(QStringLiteral("Line(%1)").arg(i)), nullptr) << i;
    EXPECT_GT(window->findChild<QWidget *>(QStringLiteral("Line(12)"))->y(),
              window->findChild<QWidget *>(QStringLiteral("Line(13)"))->y());

    // A screen reader meets the rows top to bottom, each caption with its date, then the buttons.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(window);
    ASSERT_TRUE(accessible);
    QStringList heard;
    for (int i = 0; i < accessible->childCount(); ++i) {
        heard << accessible->child(i)->text(QAccessible::Name);
        EXPECT_EQ(accessible->indexOfChild(accessible->child(i)), i);
    }
    QStringList expected;
    for (const RowCase &row : kRows)
        expected << QString::fromUtf8(row.captionText) + u' ' + QLatin1String(row.dateText);
    expected << QStringLiteral("保存") << QStringLiteral("OK");
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(accessible->role(), QAccessible::Dialog);
}

TEST_F(FrmCrndr, RereadsMonthStartsAndDogDayOnEveryOpeningButNotTheMemoryDates) {
    ConfirmDueDate("2006", "05", "01");
    Open()->close();

    using settings::Key;
    ASSERT_TRUE(settings::WriteAll(state_, {{Key::Month4Start, "2005/10/01"},
                                            {Key::DogDay, "2005/11/26"},
                                            {Key::StartDate, "2001/01/01"},
                                            {Key::DueDate, "2001/10/08"}}));
    const calendar::frmCrndr *window = Open();

    EXPECT_EQ(Text(window, QStringLiteral("Ctuki(4)")), QStringLiteral("2005/10/01"));
    EXPECT_EQ(Text(window, QStringLiteral("Cinu")), QStringLiteral("2005/11/26"));
    EXPECT_EQ(Text(window, QStringLiteral("Ctuki(1)")), QStringLiteral("2005/07/25"));
    EXPECT_EQ(Text(window, QStringLiteral("Cyoteibi")), QStringLiteral("2006/05/01"));
}

TEST_F(FrmCrndr, MissingOrGarbledStoredDatesLeaveTheirRowsEmptyOnScreenAndInTheExport) {
    WriteBytes(state_.IniPath, "[riloini]\r\n"
                               "tuki1=2005/08/22\r\n"
                               "tuki3=2005/09/31\r\n"
                               "tuki5=abc\r\n"
                               "inu=\r\n");
    state_.StartDate = Stamp(2005, 7, 25);
    state_.DueDate = Stamp(2006, 5, 1);
    calendar::frmCrndr *window = Open();

    EXPECT_EQ(Text(window, QStringLiteral("Ctuki(1)")), QStringLiteral("2005/07/25"));
    EXPECT_EQ(Text(window, QStringLiteral("Ctuki(2)")), QStringLiteral("2005/08/22"));
    for (const char *empty : {"Ctuki(3)", "Ctuki(4)", "Ctuki(6)", "Ctuki(10)", "Cinu"})
        EXPECT_EQ(Text(window, QString::fromLatin1(empty)), QString()) << empty;
    EXPECT_EQ(Text(window, QStringLiteral("Cyoteibi")), QStringLiteral("2006/05/01"));

    Save(window, Path(QStringLiteral("out.txt")));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("out.txt"))),
              ExportBytes(
                  {"2005/07/25", "2005/08/22", "", "", "", "", "", "", "", "", "", "2006/05/01"}));
}

TEST_F(FrmCrndr, WithoutAnySettingsFileEveryDateIsEmpty) {
    calendar::frmCrndr *window = Open();
    for (const RowCase &row : kRows)
        EXPECT_EQ(Text(window, QString::fromLatin1(row.date)), QString()) << row.date;
}

TEST_F(FrmCrndr, ExportWritesTheShiftJisTextByteForByte) {
    ConfirmDueDate("2006", "05", "01");
    calendar::frmCrndr *window = Open();
    Save(window, Path(QStringLiteral("calendar.txt")));

    const QByteArray written = ReadBytes(Path(QStringLiteral("calendar.txt")));
    EXPECT_EQ(written, ExportBytes(kDates20060501));
    EXPECT_EQ(written.size(), 327);
    EXPECT_TRUE(messages_.empty());
}

// Where the export goes for a chosen name, and what was there before.
struct TargetCase {
    const char *name;
    const char *chosen;   // relative to the temporary folder
    const char *existing; // previous content of the written file, or nullptr
    const char *written;  // the file that must hold the export
};
const TargetCase kTargets[] = {
    {"longer existing file replaced entirely", "old.txt",
     "an older and much longer file that is not a calendar at all, repeated so that it is "
     "longer than the export's 327 bytes................................................."
     "...................................................................................."
     "....................................................................................",
     "old.txt"},
    {"name without extension used as typed", "memo", nullptr, "memo"},
};

void PrintTo(const TargetCase &c, std::ostream *os) {
    *os << c.name;
}

// A parameterised test's name from its case's description.
template <class Case> std::string CaseName(const ::testing::TestParamInfo<Case> &info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

class FrmCrndrExportTarget : public FrmCrndr, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(FrmCrndrExportTarget, WritesExactlyTheExportToTheChosenName) {
    const TargetCase &c = GetParam();
    if (c.existing)
        WriteBytes(Path(QString::fromLatin1(c.chosen)), c.existing);
    ConfirmDueDate("2006", "05", "01");
    Save(Open(), Path(QString::fromLatin1(c.chosen)));

    EXPECT_EQ(ReadBytes(Path(QString::fromLatin1(c.written))), ExportBytes(kDates20060501));
    EXPECT_TRUE(messages_.empty());
    // Nothing else appears in the folder: no ".txt" added, no temporary file left.
    QStringList expected{QString::fromLatin1(c.written), QStringLiteral("rilo.ini")};
    expected.sort();
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, FrmCrndrExportTarget, ::testing::ValuesIn(kTargets),
                         CaseName<TargetCase>);

TEST_F(FrmCrndr, CancelWritesNothingOverwritesNothingAndSaysNothing) {
    ConfirmDueDate("2006", "05", "01");
    calendar::frmCrndr *window = Open();
    Save(window, std::nullopt);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("rilo.ini")});

    Save(window, Path(QStringLiteral("a.txt")));
    WriteBytes(Path(QStringLiteral("a.txt")), "edited since");
    Save(window, std::nullopt);
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("a.txt"))), QByteArray("edited since"));
    EXPECT_TRUE(messages_.empty());
}

// Before a name is chosen, the dialog opens the user's documents folder, wherever the desktop
// keeps it (XDG user-dirs here).
TEST_F(FrmCrndr, SaveDialogStartsInDocumentsThenFromTheLastNameChosenInThisWindowOnly) {
    const QString documents = Path(QStringLiteral("ドキュメント"));
    ASSERT_TRUE(QDir().mkpath(documents));
    WriteBytes(Path(QStringLiteral("user-dirs.dirs")),
               "XDG_DOCUMENTS_DIR=\"" + documents.toUtf8() + "\"\n");
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", Folder().toUtf8());
    ConfirmDueDate("2006", "05", "01");
    calendar::frmCrndr *window = Open();
    const QString first = Path(QStringLiteral("a.txt"));
    const QString failed = Path(QStringLiteral("missing/b.txt"));
    Save(window, first);
    Save(window, std::nullopt);
    Save(window, failed);
    Save(window, std::nullopt);
    window->close();
    Save(Open(), std::nullopt);
    qputenv("XDG_CONFIG_HOME", configHome);

    EXPECT_EQ(dialogStartNames_,
              (std::vector<QString>{documents, first, first, failed, documents}));
}

// Targets that cannot be written, next to an empty folder "folder" and a previous export
// "keep.txt" that must come through unchanged.
struct FailureCase {
    const char *name;
    const char *chosen;
};
const FailureCase kFailures[] = {
    {"folder", "folder"},
    {"path under a regular file", "keep.txt/calendar.txt"},
    {"missing folder", "missing/calendar.txt"},
    {"empty name", ""},
};

void PrintTo(const FailureCase &c, std::ostream *os) {
    *os << c.name;
}

class FrmCrndrExportFailure : public FrmCrndr, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FrmCrndrExportFailure, ShowsTheFailureBoxAndKeepsTheWindowAndOldFiles) {
    const FailureCase &c = GetParam();
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("folder")));
    WriteBytes(Path(QStringLiteral("keep.txt")), "previous export");
    ConfirmDueDate("2006", "05", "01");
    calendar::frmCrndr *window = Open();
    window->show();
    const QString chosen = *c.chosen ? Path(QString::fromLatin1(c.chosen)) : QString();
    Save(window, chosen);

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].prompt, QStringLiteral("ファイルを保存できませんでした"));
    EXPECT_EQ(messages_[0].title, QStringLiteral("りろ日記"));
    EXPECT_EQ(messages_[0].icon, ui::MessageIcon::None);
    EXPECT_EQ(messages_[0].parent, window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("keep.txt"))), QByteArray("previous export"));
    EXPECT_TRUE(QDir(Path(QStringLiteral("folder"))).isEmpty());
    QStringList expected{QStringLiteral("folder"), QStringLiteral("keep.txt"),
                         QStringLiteral("rilo.ini")};
    EXPECT_EQ(QDir(Folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              expected);
}

INSTANTIATE_TEST_SUITE_P(Targets, FrmCrndrExportFailure, ::testing::ValuesIn(kFailures),
                         CaseName<FailureCase>);

TEST_F(FrmCrndr, FullDiskShowsTheFailureBoxAndKeepsThePreviousExport) {
    const QString target = Path(QStringLiteral("calendar.txt"));
    WriteBytes(target, "previous export");
    ConfirmDueDate("2006", "05", "01");
    calendar::frmCrndr *window = Open();
    // The 327 bytes cannot all be written.
    AsIfDiskFullBeyond(100, [&] { Save(window, target); });

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].prompt, QStringLiteral("ファイルを保存できませんでした"));
    EXPECT_EQ(ReadBytes(target), QByteArray("previous export"));
}

// Needs an unprivileged user: root writes into read-only folders. The suite reruns it so.
TEST_F(FrmCrndr, ReadOnlyFolderShowsTheFailureBoxAndKeepsTheExistingFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    const QString folder = Path(QStringLiteral("readonly"));
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("readonly")));
    const QString target = folder + QStringLiteral("/calendar.txt");
    WriteBytes(target, "previous export");
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    ConfirmDueDate("2006", "05", "01");
    Save(Open(), target);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].prompt, QStringLiteral("ファイルを保存できませんでした"));
    EXPECT_EQ(ReadBytes(target), QByteArray("previous export"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("calendar.txt")});
}

TEST_F(FrmCrndr, ClosingEitherWayEmitsUnloadedOnceAndDestroysTheWindow) {
    for (const char *how : {"O  K", "keypad Enter on O  K", "close box", "Esc"}) {
        SCOPED_TRACE(how);
        QPointer<calendar::frmCrndr> window = Open();
        window->show();
        QSignalSpy unloaded(window.data(), &calendar::frmCrndr::unloaded);
        if (how == std::string("O  K"))
            window->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        else if (how == std::string("keypad Enter on O  K")) // the button animates its press
            QTest::keyClick(window->findChild<QPushButton *>(QStringLiteral("btnOK")),
                            Qt::Key_Enter, Qt::KeypadModifier);
        else if (how == std::string("Esc"))
            QTest::keyClick(window->findChild<QPushButton *>(QStringLiteral("btnPrint")),
                            Qt::Key_Escape);
        else
            window->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return unloaded.count() > 0; }));
        EXPECT_EQ(unloaded.count(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
    }
}

TEST_F(FrmCrndr, IsAFixedToolWindowWithOnlyACloseBoxAndOkFocusedFirst) {
    calendar::frmCrndr *window = Open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("カレンダー"));
    EXPECT_EQ(window->windowType(), Qt::Tool);
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window->minimumSize(), QSize(224, 376));
    EXPECT_EQ(window->maximumSize(), QSize(224, 376));

    auto *ok = window->findChild<QPushButton *>(QStringLiteral("btnOK"));
    auto *print = window->findChild<QPushButton *>(QStringLiteral("btnPrint"));
    ASSERT_TRUE(ok && print);
    EXPECT_EQ(ok->text(), QStringLiteral("O  K"));
    EXPECT_EQ(print->text(), QStringLiteral("保 存"));
    EXPECT_FALSE(ok->isDefault() || ok->autoDefault() || print->isDefault() ||
                 print->autoDefault());

    window->show();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::focusWidget(), ok);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), print);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), ok);
}

// As the Save As dialog and its boxes go, the window manager may give the focus to another
// window (openbox gives it to the disabled gadget); the calendar takes it back, whether the file
// was saved, the dialog cancelled or the save failed.
TEST_F(FrmCrndr, TakesTheFocusBackAfterSaveAs) {
    QWidget elsewhere;
    const ui::Dialogs::SaveFileDialogFn answer = env_.dialogs.saveFileDialog;
    env_.dialogs.saveFileDialog = [&](QWidget *parent, const QString &lastFileName) {
        elsewhere.show();
        elsewhere.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
        return answer(parent, lastFileName);
    };
    calendar::frmCrndr *window = Open();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    for (const std::optional<QString> &chosen :
         {std::optional(Path(QStringLiteral("out.txt"))), std::optional<QString>(),
          std::optional(Folder())}) {
        Save(window, chosen);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }))
            << chosen.value_or(QStringLiteral("(cancelled)")).toStdString();
    }
    EXPECT_EQ(messages_.size(), 1u); // for the folder's name
}

// Answers the next modal window of type T with `answer` while `run` waits for it.
template <class T>
bool AnswerModal(const std::function<void()> &run, std::function<void(T *)> answer) {
    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *modal = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!modal || answered)
            return;
        answered = true;
        answer(modal);
    });
    poll.start(10);
    run();
    poll.stop();
    return answered;
}

TEST_F(FrmCrndr, DefaultFailureBoxHasOkOnlyAndNoIconOverTheWindow) {
    env_.dialogs.messageBox = ui::ShowMessageBox; // the real box
    calendar::frmCrndr *window = Open();
    window->show();
    QMessageBox::Icon icon = QMessageBox::Warning;
    QMessageBox::StandardButtons buttons;
    QString text, title;
    QWidget *parent = nullptr;
    ASSERT_TRUE(AnswerModal<QMessageBox>([&] { Save(window, QString()); },
                                         [&](QMessageBox *box) {
                                             icon = box->icon();
                                             buttons = box->standardButtons();
                                             text = box->text();
                                             title = box->windowTitle();
                                             parent = box->parentWidget();
                                             box->accept();
                                         }));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(text, QStringLiteral("ファイルを保存できませんでした"));
    EXPECT_EQ(title, QStringLiteral("りろ日記"));
    EXPECT_EQ(parent, window);
}

// The real dialog, answered as a user would: once it is active, the name is typed over the
// preselected one. Activation moves the keyboard focus into the name box at a moment that depends
// on the machine's load, and QFileDialog::selectFile leaves a focused name box alone, so the test
// waits for the activation and then types, whatever the timing was. The name is taken, so the
// dialog asks before replacing it. Qt's own texts speak the user's language: these tests also
// run under ja_JP.UTF-8.
TEST_F(FrmCrndr, DefaultSaveDialogOffersTextFilesAddsNoExtensionAndAsksBeforeReplacing) {
    const bool japanese = QLocale().language() == QLocale::Japanese;
    const QString last = Path(QStringLiteral("last.txt"));
    WriteBytes(Path(QStringLiteral("memo")), "old");
    QStringList filters;
    QString suffix = QStringLiteral("unset");
    QStringList startSelection, replaceButtons;
    QString typed, title;
    auto typeMemo = [&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        startSelection = dialog->selectedFiles();
        title = dialog->windowTitle();
        auto *nameBox = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (nameBox && QTest::qWaitForWindowActive(dialog)) {
            nameBox->selectAll();
            QTest::keyClicks(nameBox, QStringLiteral("memo"));
            typed = nameBox->text();
        }
        EXPECT_TRUE(
            AnswerModal<QMessageBox>([&] { static_cast<QDialog *>(dialog)->accept(); },
                                     [&](QMessageBox *question) {
                                         for (auto which : {QMessageBox::Yes, QMessageBox::No})
                                             replaceButtons << question->button(which)->text();
                                         question->button(QMessageBox::Yes)->click();
                                     }));
    };
    std::optional<QString> chosen;
    ASSERT_TRUE(AnswerModal<QFileDialog>([&] { chosen = ui::ShowSaveFileDialog(nullptr, last); },
                                         typeMemo));
    EXPECT_EQ(filters, QStringList{QStringLiteral("テキストファイル(*.txt)")});
    EXPECT_EQ(suffix, QString());
    EXPECT_EQ(startSelection, QStringList{last});
    EXPECT_EQ(typed, QStringLiteral("memo"));
    EXPECT_EQ(chosen, Path(QStringLiteral("memo")));
    EXPECT_EQ(title, japanese ? QStringLiteral("名前を付けて保存") : QStringLiteral("Save As"));
    const QStringList yesNo =
        japanese ? QStringList{"はい(&Y)", "いいえ(&N)"} : QStringList{"&Yes", "&No"};
    EXPECT_EQ(replaceButtons, yesNo);

    chosen = QStringLiteral("unset");
    ASSERT_TRUE(AnswerModal<QFileDialog>([&] { chosen = ui::ShowSaveFileDialog(nullptr, last); },
                                         [](QFileDialog *dialog) { dialog->reject(); }));
    EXPECT_EQ(chosen, std::nullopt);
}

} // namespace
