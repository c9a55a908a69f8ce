#include "entry/i_data.h"

#include "dates/datetext.h"
#include "entry/halfwidthdigits.h"
#include "entry/validation.h"
#include "settings/duedate.h"
#include "settings/twips.h"
#include "ui/accessible.h"
#include "ui/log.h"
#include "ui/look.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace entry {

namespace {

constexpr QSize kDialogSize{224, 160};
const QColor kPanelColor{0xFF, 0xFF, 0xC0};

// The question names the date as the program read it, in the form the screen shows, so that a
// two-digit year (30: 1930) or a slip of the year is seen before it is stored.
QString FarFromTodayPrompt(dates::Day due) {
    return QStringLiteral("予定日 %1 は今日から大きく離れています。この日付でよろしいですか？")
        .arg(dates::FormatDateText(due));
}

// Screen readers announce the window as a dialog, as they would a QDialog; its children are
// Qt's usual ones.
QAccessibleInterface *EntryDialogFactory(const QString &className, QObject *object) {
    if (className == QLatin1String(i_data::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Dialog);
    return nullptr;
}

// Installs EntryDialogFactory once per process, when the first dialog is built.
void InstallEntryDialogAccessible() {
    ui::InstallAccessibleFactory(&EntryDialogFactory);
}

// A flat single-line entry box for digits at a place and size in twips, right-justified, holding at
// most `maxLength` characters whether typed or pasted, blanks left out. The hints ask the input
// method for plain half-width digits; full-width digits that come anyway are turned into half-width
// ones as they arrive.
QLineEdit *AddDigitBox(QWidget *parent, const QString &name, const QString &accessibleName,
                       const QRect &twips, int maxLength) {
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setValidator(new entry::HalfWidthDigitsValidator(maxLength, box));
    box->setGeometry(settings::PixelsFromTwips(twips));
    // Digits of the proportional substitute are wider than the design font's half-width ones, so
    // a four-digit year would not fit its box; the monospaced gothic has the design's widths.
    box->setFont(ui::look::Font(ui::look::DigitsFamily(), 12));
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    box->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid palette(shadow); padding: 0; }"));
    return box;
}

} // namespace

i_data::i_data(const settings::modRilo &state, const ui::AppEnvironment &env, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state), env_(env) {
    InstallEntryDialogAccessible();
    setObjectName(QStringLiteral("i_data"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kDialogSize);
    ui::look::ApplyWindowLook(this);
    BuildControls();
    Form_Load();
}

// Children stack in creation order, so the panel comes first and the boxes and the button last.
// OK is no default button, so it wears no default frame; Enter reaches it through keyPressEvent.
void i_data::BuildControls() {
    QLabel *panel = ui::look::AddLabel(this, QStringLiteral("Label7"), {240, 120, 2895, 915},
                                       QString(), font());
    panel->setAttribute(Qt::WA_TranslucentBackground, false);
    panel->setAttribute(Qt::WA_NoSystemBackground, false);
    QPalette panelPalette = panel->palette();
    panelPalette.setColor(QPalette::Window, kPanelColor);
    panel->setPalette(panelPalette);
    panel->setAutoFillBackground(true);

    const QFont heading = ui::look::Font(ui::look::kPGothic, 9.75);
    const QFont note = ui::look::Font(ui::look::kGothic, 9);
    ui::look::AddLabel(this, QStringLiteral("Label4"), {360, 240, 975, 375},
                       QStringLiteral("予定日"), heading);
    ui::look::AddLabel(this, QStringLiteral("Label8"), {1080, 720, 375, 375}, QStringLiteral("年"),
                       note);
    ui::look::AddLabel(this, QStringLiteral("Label9"), {2760, 720, 375, 375}, QStringLiteral("日"),
                       note);
    ui::look::AddLabel(this, QStringLiteral("Label10"), {1920, 720, 375, 375}, QStringLiteral("月"),
                       note);
    // The note needs 15 full-width cells (180 px); it starts at the panel's text column so that it
    // fits whole and still ends where the panel and the button end.
    ui::look::AddLabel(this, QStringLiteral("Label5"), {360, 1200, 2775, 255},
                       QStringLiteral("※　半角数字で入力して下さい。"), note);

    yearBox_ =
        AddDigitBox(this, QStringLiteral("yo_y"), QStringLiteral("年"), {360, 600, 615, 330}, 4);
    dayBox_ =
        AddDigitBox(this, QStringLiteral("yo_d"), QStringLiteral("日"), {2280, 600, 375, 330}, 2);
    monthBox_ =
        AddDigitBox(this, QStringLiteral("yo_m"), QStringLiteral("月"), {1440, 600, 375, 330}, 2);
    okButton_ = ui::look::AddButton(this, QStringLiteral("Command1"), {1800, 1680, 1335, 495},
                                    QStringLiteral("O  K"), ui::look::Font(ui::look::kPGothic, 12));
    okButton_->setAccessibleName(QStringLiteral("OK"));
    okButton_->setAutoDefault(false);
    okButton_->setDefault(false);
    connect(okButton_, &QPushButton::clicked, this, &i_data::Command1_Click);

    setTabOrder(yearBox_, monthBox_);
    setTabOrder(monthBox_, dayBox_);
    setTabOrder(dayBox_, okButton_);
    yearBox_->setFocus();
}

// The dialog reads only the due date's texts it shows: the gadget's place, its layer and the dates
// in memory are the gadget's own.
void i_data::Form_Load() {
    const settings::DueDateFields stored =
        settings::StoredDueDateFields(settings::Snapshot::Read(state_.IniPath));
    yearBox_->setText(stored.year);
    monthBox_->setText(stored.month);
    dayBox_->setText(stored.day);
    setWindowTitle(QStringLiteral("データを入力してね"));
}

QLineEdit *i_data::BoxFor(entry::Field field) const {
    switch (field) {
    case entry::Field::Year:
        return yearBox_;
    case entry::Field::Month:
        return monthBox_;
    case entry::Field::Day:
        break;
    }
    return dayBox_;
}

// The box takes the focus with its text selected, so that typing replaces it.
void i_data::SelectBox(QLineEdit *box) {
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

// Rejected input changes nothing and puts the focus back into the box the message is about. A
// valid date far from today is stored only once the user has said yes to it. Accepted input is
// stored as typed, with all derived dates; a file that cannot be written is reported, but the date
// stays in effect for this run.
void i_data::Command1_Click() {
    const settings::DueDateFields typed{yearBox_->text(), monthBox_->text(), dayBox_->text()};
    const entry::DueDateCheck checked =
        entry::ValidateDueDateInput(typed.year, typed.month, typed.day);
    if (const auto *rejection = std::get_if<entry::MessagePair>(&checked)) {
        if (deferredClose_.Run([&] {
                env_.dialogs.messageBox(this, rejection->prompt, rejection->title,
                                        ui::MessageIcon::Warning);
            })) {
            close();
            return;
        }
        SelectBox(BoxFor(rejection->field));
        return;
    }
    const dates::Day due = std::get<dates::Day>(checked);
    if (entry::IsFarFromToday(due, env_.today())) {
        bool confirmed = false;
        if (deferredClose_.Run([&] {
                confirmed =
                    env_.dialogs.question(this, FarFromTodayPrompt(due), ui::look::kProgramTitle);
            })) {
            close();
            return;
        }
        if (!confirmed) {
            SelectBox(yearBox_);
            return;
        }
    }

    const settings::StoreResult stored = settings::StoreDueDate(state_, typed, due);
    if (stored != settings::StoreResult::Stored) {
        qCWarning(ui::lcEntry) << "could not store the due date in" << state_.IniPath
                               << (stored == settings::StoreResult::NotWritten ? "(not written)"
                                                                               : "(out of range)");
        // Whether or not the program is ending meanwhile, the dialog closes after the box.
        (void)deferredClose_.Run([&] {
            env_.dialogs.messageBox(this, QStringLiteral("予定日を保存できませんでした"),
                                    ui::look::kProgramTitle, ui::MessageIcon::Warning);
        });
    }
    // A date the file could not take is in effect for this run; one beyond its dates is not.
    if (stored != settings::StoreResult::DateOutOfRange)
        Q_EMIT dueDateConfirmed(dates::MilestonesFor(due));
    close();
}

// Unless placed by the caller, the window opens centred on its screen, frame included.
void i_data::showEvent(QShowEvent *event) {
    if (!testAttribute(Qt::WA_Moved)) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen()->availableGeometry().center());
        move(frame.topLeft());
    }
    QWidget::showEvent(event);
}

void i_data::keyPressEvent(QKeyEvent *event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        Command1_Click();
        return;
    }
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void i_data::closeEvent(QCloseEvent *event) {
    deferredClose_.OnClose(this, event, [this] { Q_EMIT unloaded(); });
}

} // namespace entry
