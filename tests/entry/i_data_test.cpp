#include "entry/i_data.h"

#include "settings/inikeys.h"

#include "../testdata.h"
#include "../testutil.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;
using Log = std::vector<std::string>;

// The dialog over a temporary program folder. One log records every message box ("prompt |
// title") and signal, so their order can be checked; the dates a confirmation carries are kept.
class IData : public TempFolderTest {
protected:
    ~IData() override {
        delete dialog_.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString Ini() const { return Path(QStringLiteral("rilo.ini")); }

    // Opens the dialog; its message boxes and questions go to the log unless `realBoxes`, and
    // questions get `answer_`.
    void Open(bool realBoxes = false) {
        settings::ResolveIniPath(state_, Folder(), Folder() + QStringLiteral("/user"));
        ui::AppEnvironment env;
        env.today = [] { return dates::Day(2006y / January / 10); };
        if (!realBoxes) {
            env.dialogs.messageBox = [this](QWidget *parent, const QString &prompt,
                                            const QString &title, ui::MessageIcon icon) {
                EXPECT_EQ(parent, dialog_.data());
                EXPECT_EQ(icon, ui::MessageIcon::Warning);
                log_.push_back(prompt.toStdString() + " | " + title.toStdString());
            };
            env.dialogs.question = [this](QWidget *parent, const QString &prompt,
                                          const QString &title) {
                EXPECT_EQ(parent, dialog_.data());
                log_.push_back("? " + prompt.toStdString() + " | " + title.toStdString());
                return answer_;
            };
        }
        dialog_ = new entry::i_data(state_, env);
        QObject::connect(dialog_, &entry::i_data::dueDateConfirmed,
                         [this](const dates::Milestones &confirmed) {
                             log_.push_back("ok");
                             confirmed_ = confirmed;
                         });
        QObject::connect(dialog_, &entry::i_data::unloaded, [this] { log_.push_back("unloaded"); });
        dialog_->show();
        dialog_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_));
    }

    QLineEdit *Box(const char *name) const { return dialog_->findChild<QLineEdit *>(name); }
    QPushButton *Ok() const { return dialog_->findChild<QPushButton *>("Command1"); }

    // Replaces a box's text key by key; characters other than printable ASCII arrive as text only.
    void Type(const char *name, const QString &text) const {
        QLineEdit *box = Box(name);
        box->clear();
        for (const QChar c : text) {
            if (c.unicode() < 0x80 && c.isPrint())
                QTest::keyClick(box, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), {});
        }
    }
    void TypeDate(const QString &y, const QString &m, const QString &d) const {
        Type("yo_y", y);
        Type("yo_m", m);
        Type("yo_d", d);
    }
    QStringList Fields() const {
        return {Box("yo_y")->text(), Box("yo_m")->text(), Box("yo_d")->text()};
    }
    bool Destroyed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog_.isNull();
    }

    // The box with the focus and its text selected whole, or "" when there is none such.
    std::string SelectedBox() const {
        auto *box = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        return box && box->selectedText() == box->text() ? box->objectName().toStdString() : "";
    }

    settings::modRilo state_;
    QPointer<entry::i_data> dialog_;
    Log log_;
    std::optional<dates::Milestones> confirmed_;
    bool answer_ = false;
};

// The far-date question for the date as the dialog read it.
QString FarQuestion(const char *date) {
    return QStringLiteral("? 予定日 %1 は今日から大きく離れています。この日付でよろしいですか？ | "
                          "りろ日記")
        .arg(QLatin1String(date));
}

TEST_F(IData, RejectionShowsItsMessageAndChangesNothing) {
    const std::vector<QStringList> rows = {
        // year, month, day, expected message, the box that gets the focus back
        {"", "ab", "", "予定日を入力してね | 入力エラー", "yo_y"},
        {"2006", "", "1", "予定日を入力してね | 入力エラー", "yo_m"},
        {"-200", "5", "1", "数値を入力して下さい | 年の入力エラー", "yo_y"},
        {"٢٠٠٦", "5", "1", "数値を入力して下さい | 年の入力エラー", "yo_y"}, // Arabic-Indic
        {"2006", "x5", "1", "数値を入力して下さい | 月の入力エラー", "yo_m"},
        {"2006", "5", "1.", "数値を入力して下さい | 日の入力エラー", "yo_d"},
        {"2006", "13", "1", "月の入力エラーです | 入力エラー", "yo_m"},
        {"2006", "2", "29", "日の入力エラーです | 入力エラー", "yo_d"},
        // Far from today (2006/01/10) and answered No.
        {"2072", "3", "15", FarQuestion("2072/03/15"), "yo_y"},
        {"1900", "1", "1", FarQuestion("1900/01/01"), "yo_y"},
        {"30", "1", "1", FarQuestion("1930/01/01"), "yo_y"},
        {"2006", "10", "18", FarQuestion("2006/10/18"), "yo_y"}, // 281 days: not yet begun
    };
    Open();
    for (const QStringList &row : rows) {
        log_.clear();
        TypeDate(row[0], row[1], row[2]);
        QTest::mouseClick(Ok(), Qt::LeftButton);
        EXPECT_EQ(log_, Log{row[3].toStdString()});
        EXPECT_EQ(SelectedBox(), row[4].toStdString());
        EXPECT_EQ(Fields(), row.first(3));
        EXPECT_TRUE(dialog_->isVisible());
    }
    EXPECT_FALSE(QFileInfo::exists(Ini()));
}

TEST_F(IData, AcceptedDateIsStoredAsTypedWithItsMilestonesThenTheDialogCloses) {
    Open();
    TypeDate("2006", "05", "01");
    QTest::mouseClick(Ok(), Qt::LeftButton);

    EXPECT_EQ(log_, (Log{"ok", "unloaded"}));
    EXPECT_TRUE(Destroyed());
    const std::map<std::string, QByteArray> typed = {{"yo_m", "05"}, {"yo_d", "01"}};
    for (const auto &[key, value] : kWorkedExampleKeyValues)
        EXPECT_EQ(settings::ini::ReadString(Ini(), "riloini", key, "?"),
                  typed.contains(key) ? typed.at(key) : QByteArray(value))
            << key;
    EXPECT_EQ(confirmed_, dates::MilestonesFor(2006y / May / 1));
}

TEST_F(IData, DateFarFromTodayIsStoredOnceTheUserSaysYesAndADateNearItAsksNothing) {
    answer_ = true;
    const std::vector<std::tuple<QString, QString, QString, Log>> rows = {
        {"2006", "7", "15", {"ok", "unloaded"}},  // 186 days after today, 2006/01/10
        {"2006", "10", "17", {"ok", "unloaded"}}, // 280 days: begun today
        {"2072", "3", "15", {FarQuestion("2072/03/15").toStdString(), "ok", "unloaded"}},
    };
    for (const auto &[year, month, day, log] : rows) {
        log_.clear();
        Open();
        TypeDate(year, month, day);
        QTest::mouseClick(Ok(), Qt::LeftButton);
        EXPECT_EQ(log_, log);
    }
    EXPECT_EQ(settings::ini::ReadString(Ini(), "riloini", "yoteibi", ""), "2072/03/15");
}

TEST_F(IData, CloseBoxStoresNothingAndUnloads) {
    const QByteArray file = "[riloini]\r\nyo_y=2005\r\nyo_m=10\r\nyo_d=10\r\n";
    WriteBytes(Ini(), file);
    Open();
    TypeDate("2006", "05", "01");
    dialog_->windowHandle()->close(); // as the title bar's close box does

    EXPECT_EQ(log_, Log{"unloaded"});
    EXPECT_TRUE(Destroyed());
    EXPECT_EQ(ReadBytes(Ini()), file);
}

// The gadget's place, layer and dates are the gadget's: the dialog leaves them as they are.
TEST_F(IData, OpeningRereadsTheFileAndShowsStoredNumbersWithoutLeadingZerosAndNothingElse) {
    WriteBytes(Ini(), "[riloini]\r\nyo_y=2006\r\nyo_m=05\r\nyo_d=07\r\nwin_x=300\r\ntemae=1\r\n"
                      "yoteibi=2006/05/07\r\n");
    state_.WinX = 1500;
    Open();
    EXPECT_EQ(Fields(), (QStringList{"2006", "5", "7"}));
    EXPECT_EQ(state_.WinX, 1500);
    EXPECT_FALSE(state_.Topmost);
    EXPECT_FALSE(state_.DueDate);
    EXPECT_EQ(dialog_->windowTitle(), "データを入力してね");
}

// A box whose key is missing starts empty rather than with the integer read's default 16, which
// would offer a nonsense date as hers.
TEST_F(IData, FieldsNeverStoredStartEmpty) {
    const std::vector<std::pair<QByteArray, QStringList>> rows = {
        {"yo_y=2006\r\nstart_up=0\r\n", {"2006", "", ""}},
        {"yo_m=5\r\nyo_d=1\r\n", {"", "5", "1"}},
        {"yo_y=\r\nyo_m= \r\nyo_d=1\r\n", {"", "", "1"}},
    };
    for (const auto &[keys, shown] : rows) {
        WriteBytes(Ini(), "[riloini]\r\n" + keys);
        Open();
        EXPECT_EQ(Fields(), shown) << keys.constData();
        delete dialog_.data();
    }
}

TEST_F(IData, BoxesStopAtTheirLimitWhenTypingAndPasting) {
    const std::vector<std::tuple<const char *, QString, QString>> rows = {
        {"yo_y", "200612", "2006"},  {"yo_m", "123", "12"},      {"yo_d", "0731", "07"},
        {"yo_y", "ab cd e", "abcd"}, {"yo_y", " 2027 ", "2027"}, {"yo_m", " 1\t2", "12"},
    };
    Open();
    for (const auto &[name, typed, kept] : rows) {
        Type(name, typed);
        EXPECT_EQ(Box(name)->text(), kept) << name << " typed";
        Box(name)->clear();
        QGuiApplication::clipboard()->setText(typed);
        QTest::keySequence(Box(name), QKeySequence::Paste);
        EXPECT_EQ(Box(name)->text(), kept) << name << " pasted";
    }
    // What does not fit is left out of the insertion, not cut from the text's end.
    Box("yo_y")->setText("20");
    Box("yo_y")->setCursorPosition(1);
    QTest::keyClicks(Box("yo_y"), "123");
    EXPECT_EQ(Box("yo_y")->text(), "2120");
}

TEST_F(IData, FullWidthDigitsBecomeHalfWidthAsTheyArriveAndCountAsDigits) {
    const std::vector<std::tuple<const char *, QString, QString>> rows = {
        {"yo_y", "２０２７", "2027"}, {"yo_y", "2０2７1", "2027"},    {"yo_m", "１２３", "12"},
        {"yo_d", "３ｘ", "3ｘ"},      {"yo_y", "２０２７　", "2027"}, {"yo_m", "　９", "9"},
    };
    Open();
    for (const auto &[name, typed, kept] : rows) {
        Type(name, typed);
        EXPECT_EQ(Box(name)->text(), kept) << name << " typed";
        Box(name)->clear();
        QGuiApplication::clipboard()->setText(typed);
        QTest::keySequence(Box(name), QKeySequence::Paste);
        EXPECT_EQ(Box(name)->text(), kept) << name << " pasted";
        Box(name)->clear();
        QInputMethodEvent commit; // the input method's converted text, as one commit
        commit.setCommitString(typed);
        QApplication::sendEvent(Box(name), &commit);
        EXPECT_EQ(Box(name)->text(), kept) << name << " committed";
    }
    TypeDate("２００６", "０３", "１");
    QTest::mouseClick(Ok(), Qt::LeftButton);
    EXPECT_EQ(log_, (Log{"ok", "unloaded"}));
    EXPECT_EQ(settings::ini::ReadString(Ini(), "riloini", "yo_y", ""), "2006");
    EXPECT_EQ(settings::ini::ReadString(Ini(), "riloini", "yo_m", ""), "03");
    EXPECT_EQ(settings::ini::ReadString(Ini(), "riloini", "yoteibi", ""), "2006/03/01");
}

TEST_F(IData, ControlsAreNamedTheNoteShowsWholeAndOkMarksItsFocus) {
    Open();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(dialog_)->role(), QAccessible::Dialog);
    for (const auto &[name, heard] : std::vector<std::pair<const char *, QString>>{
             {"yo_y", "年"}, {"yo_m", "月"}, {"yo_d", "日"}, {"Command1", "OK"}}) {
        auto *control = dialog_->findChild<QWidget *>(name);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), heard);
    }
    const auto *note = dialog_->findChild<QLabel *>(QStringLiteral("Label5"));
    const auto *panel = dialog_->findChild<QLabel *>(QStringLiteral("Label7"));
    EXPECT_LE(QFontMetrics(note->font()).horizontalAdvance(note->text()), note->width());
    EXPECT_GE(note->x(), panel->x());
    EXPECT_LE(note->geometry().right(), panel->geometry().right());
    const QImage unfocused = Ok()->grab().toImage();
    Ok()->setFocus(Qt::TabFocusReason);
    EXPECT_NE(Ok()->grab().toImage(), unfocused) << "no focus mark";
}

TEST_F(IData, FocusStartsInTheYearAndTabCyclesThroughBoxesAndButton) {
    Open();
    EXPECT_EQ(QApplication::focusWidget(), Box("yo_y"));
    for (QWidget *next : std::vector<QWidget *>{Box("yo_m"), Box("yo_d"), Ok(), Box("yo_y")}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    for (QWidget *next : std::vector<QWidget *>{Ok(), Box("yo_d"), Box("yo_m"), Box("yo_y")}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(IData, EnterPressesOkFromAnyBoxAndEscapeClosesAsTheCloseBoxDoes) {
    const std::vector<std::tuple<const char *, Qt::Key, Qt::KeyboardModifiers, bool>> rows = {
        // focused control, key, modifiers, whether the date is stored
        {"yo_y", Qt::Key_Return, {}, true},  {"yo_m", Qt::Key_Enter, Qt::KeypadModifier, true},
        {"yo_d", Qt::Key_Return, {}, true},  {"Command1", Qt::Key_Return, {}, true},
        {"yo_m", Qt::Key_Escape, {}, false}, {"Command1", Qt::Key_Escape, {}, false},
    };
    for (const auto &[name, key, modifiers, stores] : rows) {
        QFile::remove(Ini());
        log_.clear();
        Open();
        EXPECT_FALSE(Ok()->autoDefault() || Ok()->isDefault());
        TypeDate("2006", "05", "01");
        auto *focused = dialog_->findChild<QWidget *>(name);
        focused->setFocus();
        QTest::keyClick(focused, key, modifiers);
        EXPECT_TRUE(QTest::qWaitFor([this] { return Destroyed(); })) << name << " " << key;
        EXPECT_EQ(log_, stores ? (Log{"ok", "unloaded"}) : Log{"unloaded"}) << name << " " << key;
        EXPECT_EQ(QFileInfo::exists(Ini()), stores) << name << " " << key;
    }
}

TEST_F(IData, UnwritableFileIsReportedAndTheDateStillTakesEffect) {
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("rilo.ini")));
    Open();
    TypeDate("2006", "05", "01");
    QTest::mouseClick(Ok(), Qt::LeftButton);

    EXPECT_EQ(log_, (Log{"予定日を保存できませんでした | りろ日記", "ok", "unloaded"}));
    ASSERT_TRUE(confirmed_);
    EXPECT_EQ(dates::FormatDateText(confirmed_->dogDay), "2005/11/22");
}

TEST_F(IData, DefaultMessageBoxIsAModalWarningWithOkOverTheDialog) {
    Open(/*realBoxes=*/true);
    TypeDate("", "", "");
    QString seen;
    QTimer answer; // answers the real box from inside its event loop
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen = QStringLiteral("%1 | %2 | %3 | %4")
                       .arg(box->text(), box->windowTitle())
                       .arg(box->icon() == QMessageBox::Warning)
                       .arg(box->standardButtons() == QMessageBox::Ok &&
                            box->parentWidget() == dialog_);
            box->accept();
        }
    });
    answer.start(10);
    QTest::mouseClick(Ok(), Qt::LeftButton);
    EXPECT_EQ(seen, "予定日を入力してね | 入力エラー | 1 | 1");
}

// The real question, answered from the keyboard; the end-to-end tests press "y" as well.
TEST_F(IData, DefaultQuestionIsModalOverTheDialogAndSaysNoToEnterAndEscape) {
    const QString yesNo =
        QLocale().language() == QLocale::Japanese ? "はい(&Y) いいえ(&N)" : "&Yes &No";
    Open();
    for (const auto &[key, yes] : std::vector<std::pair<Qt::Key, bool>>{
             {Qt::Key_Return, false}, {Qt::Key_Escape, false}, {Qt::Key_Y, true}}) {
        QStringList seen;
        QTimer answer; // answers the real box from inside its event loop
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !seen.isEmpty())
                return;
            for (QAbstractButton *button : box->buttons())
                seen << button->text();
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            EXPECT_EQ(box->parentWidget(), dialog_.data());
            QTest::keyClick(box, key);
        });
        answer.start(10);
        EXPECT_EQ(ui::ShowQuestionBox(dialog_, "?", "りろ日記"), yes) << key;
        EXPECT_EQ(seen.join(u' '), yesNo);
    }
}

TEST_F(IData, FixedCentredToolWindowWithItsControlsAboveThePanel) {
    Open();
    const Qt::WindowFlags flags = dialog_->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(dialog_->minimumSize(), QSize(224, 160));
    EXPECT_EQ(dialog_->maximumSize(), QSize(224, 160));
    const QPoint offCentre =
        dialog_->frameGeometry().center() - dialog_->screen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 1);

    // What lies under each point (logical pixels of the client area) and its colour.
    const std::vector<std::tuple<QPoint, const char *, QColor>> points = {
        {{4, 4}, "i_data", QApplication::palette().color(QPalette::ToolTipBase)},
        {{200, 12}, "Label7", QColor(0xFF, 0xFF, 0xC0)},
        {{30, 20}, "Label4", {}},
        {{40, 50}, "yo_y", {}},
        {{100, 50}, "yo_m", {}},
        {{160, 50}, "yo_d", {}},
        {{80, 55}, "Label8", {}},
        {{122, 114}, "Command1", QColor(0xF9, 0xE8, 0x88)},
    };
    const QImage face = dialog_->grab().toImage();
    for (const auto &[point, name, colour] : points) {
        const QWidget *top = dialog_->childAt(point);
        EXPECT_EQ((top ? top : dialog_.data())->objectName().toStdString(), name);
        if (colour.isValid()) {
            EXPECT_EQ(face.pixelColor(point), colour) << name;
        }
    }
}

} // namespace
