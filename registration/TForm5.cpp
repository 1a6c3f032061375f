#include "TForm5.h"

#include "FormHelpers.h"
#include "TForm5Access.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "controls/Guard.h"
#include "controls/Placement.h"
#include "core/Convert.h"
#include "core/Cp950.h"
#include "core/Profile.h"
#include "core/RegUtils.h"
#include "core/Settings.h"
#include "core/Validation.h"
#include "desktop/MessageBoxes.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QScopedValueRollback>

using formhelpers::fillList;
using formhelpers::selectItem;

namespace {

constexpr int kHoverLightness = 60;

const QString kIncomplete = QStringLiteral("註冊內容不完整");

}  // namespace

TForm5::TForm5(QWidget* parent) : QWidget(parent) {
    // Flags and font before the controls exist: a later change of either does not reach the
    // controls that carry a style sheet.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    setupUi(this);
    setFixedSize(800, 600);

    for (QComboBox* list : {ComboBox1, ComboBox2, ComboBox3, ComboBox10, ComboBox11}) {
        list->setCurrentIndex(-1);
    }
    Image2->setPicture(QStringLiteral("hint_areacode.png"));
    Image3->setPicture(QStringLiteral("hint_number.png"));
    Image4->setPicture(QStringLiteral("hint_extension.png"));

    // clang-format off
    const HoverButton<TForm5> buttons[] = {
        {{Label36, Label39}, &TForm5::Label36Click, Label36MouseEnter, Label36MouseLeave,
         ProEffectImage1, [this] { return buttonTwin(1); }},
        {{Label37, Label40}, &TForm5::Label37Click, Label37MouseEnter, Label37MouseLeave,
         ProEffectImage2, [this] { return buttonTwin(2); }},
        {{Label38, Label41}, &TForm5::Label38Click, Label38MouseEnter, Label38MouseLeave,
         ProEffectImage3, [this] { return buttonTwin(3); }},
    };
    // clang-format on
    wireHoverButtons(this, kHoverLightness, buttons);
    guard::connect(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
    guard::connect(Button2, &QPushButton::clicked, this, &TForm5::Button2Click);
    guard::connect(Button3, &QPushButton::clicked, this, &TForm5::Button3Click);

    // Lists report the user's pick only, never a selection made by the program.
    guard::connect(ComboBox8, &QComboBox::activated, this, &TForm5::ComboBox8Change);
    guard::connect(ComboBox9, &QComboBox::activated, this, &TForm5::ComboBox9Change);
    guard::connect(ComboBox1, &QComboBox::activated, this, &TForm5::ComboBox1Change);
    guard::connect(ComboBox10, &QComboBox::activated, this, &TForm5::ComboBox10Change);
    guard::connect(ComboBox11, &QComboBox::activated, this, &TForm5::ComboBox11Change);
    guard::connect(TabControl1, &TTabControl::Change, this, &TForm5::TabControl1Change);
    // Text fields report every change, the program's too.
    guard::connect(Edit15, &QLineEdit::textChanged, this, &TForm5::Edit15Change);
    guard::connect(Edit16, &QLineEdit::textChanged, this, &TForm5::Edit16Change);
    guard::connect(Edit17, &QLineEdit::textChanged, this, &TForm5::Edit17Change);
    guard::connect(Edit18, &QLineEdit::textChanged, this, &TForm5::Edit18Change);

    wireKeyRules();
    wireHints();
    describeForAccess(this);

    msg::reportErrors([this] { FormCreate(); });
}

QString TForm5::PostcodeFile() const {
    return paths::join(programFolder_, QStringLiteral("postcode.ini"));
}

void TForm5::FormCreate() {
    programFolder_ = paths::programFolder();
    RegMode.clear();
    fillList(ComboBox8, IniFile(PostcodeFile()).ReadSections());
    fillList(ComboBox12, settings::educationList());
    DefaultModel = settings::defaultModel();
    Edit15->setText(DefaultModel);
    DefaultProdCd = settings::defaultSerial();
    Edit16->setText(DefaultProdCd);
    Label34->setText(settings::formTitle1());
    Label35->setText(settings::formTitle2());
}

void TForm5::FormShow() {
    const settings::CodedList occupations = settings::occupationList();
    fillList(ComboBox4, occupations.items);
    OccupationCodes = occupations.codes;
    const settings::CodedList positions = settings::positionList();
    fillList(ComboBox6, positions.items);
    PositionCodes = positions.codes;

    const bool person = isPerson();
    setWindowTitle(person ? QStringLiteral("個人會員註冊") : QStringLiteral("企業會員註冊"));
    Image6->setVisible(person);
    Image5->setVisible(!person);
    ProEffectImage1->assignPicture(buttonTwin(1));
    ProEffectImage2->assignPicture(buttonTwin(2));
    ProEffectImage3->assignPicture(buttonTwin(3));
    // Captions in the colour of their face. (A palette, not a style sheet: a style sheet set
    // now would drop the label's font back to the application's.)
    const QColor caption = person ? QColor(0x1f, 0x4e, 0x8c) : QColor(0x14, 0x5a, 0x5f);
    for (QLabel* label : {Label39, Label40, Label41}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, caption);
        label->setPalette(palette);
    }
    // Education and the captions of the ID and name for a person, the company's lists and
    // captions for an enterprise.
    for (QWidget* w : std::initializer_list<QWidget*>{Label32, ComboBox12, Label20, Label33}) {
        w->setVisible(person);
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label9, Label11, ComboBox5, Label13, ComboBox7, Label7}) {
        w->setVisible(!person);
    }
    Panel2->move(Panel2->x(), person ? 220 : 236);
    if (!person) {
        const settings::CodedList scales = settings::companyScaleList();
        fillList(ComboBox5, scales.items);
        CompanyScaleCodes = scales.codes;
        const settings::CodedList capitals = settings::companyCapitalList();
        fillList(ComboBox7, capitals.items);
        CompanyCapitalCodes = capitals.codes;
    }

    while (TabControl1->count() > 0) {
        TabControl1->removeTab(TabControl1->count() - 1);
    }
    // The focus moves to Edit1, and a hint left from the last showing goes with it.
    for (QWidget* hint : {Panel4, Panel5, Panel6}) {
        hint->hide();
    }
    Edit1->setFocus();
    setPurchaseDateToday();
    if (RegUtils().GetProductCount() > 0) {
        RestoreEntries();
    }
}

void TForm5::setPurchaseDateToday() {
    const QDate today = LocalClock::today();
    Edit18->setText(QString::number(today.year()));
    selectItem(ComboBox10, today.month() - 1);
    selectItem(ComboBox11, today.day() - 1);
}

// postcode.ini is looked at in every step, so that a changed file is seen at once.
void TForm5::ComboBox8Change() {
    ComboBox9->clear();
    ComboBox9->addItems(IniFile(PostcodeFile()).ReadSection(ComboBox8->currentText()));
    selectItem(ComboBox9, 0);
    ComboBox9Change();
}

void TForm5::ComboBox9Change() {
    Edit5->setText(IniFile(PostcodeFile())
                       .ReadString(ComboBox8->currentText(), ComboBox9->currentText(), QString()));
}

void TForm5::ComboBox1Change() {
    const QString month = ComboBox1->currentText();
    if (month.isEmpty()) {
        return;
    }
    ComboBox2->setEnabled(true);
    const int year = convert::toInt(Edit2->text());
    const int days = validation::birthMonthDays(year, convert::toInt(month));
    ComboBox2->clear();
    for (int day = 1; day <= days; ++day) {
        ComboBox2->addItem(QString::number(day));
    }
    ComboBox2->setCurrentIndex(-1);
}

void TForm5::wireHints() {
    // A hint shows its picture beside the field while the field has the focus; a click on the
    // picture hides it.
    const std::tuple<QWidget*, QWidget*, QPoint, Handler&, Handler&> hints[] = {
        {Edit8, Panel4, {138, 364}, Edit8Enter, Edit8Exit},
        {Edit14, Panel4, {138, 396}, Edit14Enter, Edit14Exit},
        {Edit9, Panel5, {200, 364}, Edit9Enter, Edit9Exit},
        {Edit13, Panel5, {200, 396}, Edit13Enter, Edit13Exit},
        {Edit10, Panel6, {376, 361}, Edit10Enter, Edit10Exit},
    };
    for (const auto& [field, panel, place, enter, exit] : hints) {
        enter.setAction([panel = panel, place = place] {
            panel->move(place);
            panel->show();
            panel->raise();
        });
        exit.setAction([panel = panel] { panel->hide(); });
        hintFields_.append({field, &enter, &exit});
        field->installEventFilter(this);
    }
    const std::tuple<THoverLabel*, QWidget*, Handler&> pictures[] = {{Image2, Panel4, Image2Click},
                                                                     {Image3, Panel5, Image3Click},
                                                                     {Image4, Panel6, Image4Click}};
    for (const auto& [picture, panel, click] : pictures) {
        click.setAction([panel = panel] { panel->hide(); });
        connect(picture, &THoverLabel::clicked, this,
                guard::handler([&click = click] { click(); }));
    }
}

// Entering and leaving a field count, not the window losing and regaining the focus to a
// message box or another program.
bool TForm5::eventFilter(QObject* watched, QEvent* event) {
    const bool in = event->type() == QEvent::FocusIn;
    const auto windowChange = [event] {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    };
    if ((in || event->type() == QEvent::FocusOut) && !windowChange()) {
        for (const auto& [field, enter, exit] : hintFields_) {
            if (watched == field) {
                (*(in ? enter : exit))();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

int TForm5::productSlot() const {
    const int index = TabControl1->count() > 0 ? TabControl1->currentIndex() : -1;
    return index < MaxProducts ? index : -1;
}

void TForm5::storeText(ProductSlots& store, const QString& text) {
    const int slot = productSlot();
    if (slot >= 0) {
        store[slot] = text;
    }
}

void TForm5::Edit15Change() {
    storeText(PrinterType, Edit15->text());
    if (const int slot = productSlot(); slot >= 0) {
        TabControl1->setTabText(slot, Edit15->text());
    }
}

void TForm5::Edit16Change() {
    storeText(ProdCd, Edit16->text());
}

void TForm5::Edit17Change() {
    storeText(ChnlId, Edit17->text());
}

void TForm5::Edit18Change() {
    storeText(PurchaseY, Edit18->text());
}

void TForm5::ComboBox10Change() {
    storeText(PurchaseM, ComboBox10->currentText());
}

void TForm5::ComboBox11Change() {
    storeText(PurchaseD, ComboBox11->currentText());
}

void TForm5::TabControl1Change() {
    const int slot = productSlot();
    if (slot < 0) {
        return;
    }
    // Copies first: setting a field stores it back into the slot.
    const QString model = PrinterType[slot];
    const QString serial = ProdCd[slot];
    const QString dealer = ChnlId[slot];
    const QString year = PurchaseY[slot];
    const QString month = PurchaseM[slot];
    const QString day = PurchaseD[slot];
    Edit15->setText(model);
    Edit16->setText(serial);
    Edit17->setText(dealer);
    selectItem(ComboBox11, day.isEmpty() ? -1 : convert::toInt(day) - 1);
    selectItem(ComboBox10, month.isEmpty() ? -1 : convert::toInt(month) - 1);
    Edit18->setText(year);
    Edit15->setFocus();
}

void TForm5::Button1Click() {
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10,
                            Edit11, Edit12, Edit13, Edit14, Edit15, Edit16, Edit17, Edit18}) {
        edit->clear();
    }
    for (QComboBox* list : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6,
                            ComboBox7, ComboBox8, ComboBox9, ComboBox10, ComboBox11}) {
        list->setCurrentIndex(-1);
    }
}

void TForm5::Button2Click() {
    // A form that was completed or left, or one completing now, completes nothing more: a
    // click that reaches it late would register the products twice.
    if (!isVisible() || completing_) {
        return;
    }
    const QScopedValueRollback busy(completing_, true);
    if (printedUnsaved_) {
        storePrinted();
        return;
    }
    if (!ValidateFields()) {
        return;
    }
    if (msg::ask(QStringLiteral("是否繼續註冊其他產品"), QStringLiteral("註冊其他ORVEX產品"))) {
        addProduct();
    } else {
        completeRegistration();
    }
}

void TForm5::Button3Click() {
    hide();
    Form1->show();
}

const TProEffectImage* TForm5::buttonTwin(int button) const {
    if (isPerson()) {
        return ProEffectImage7;
    }
    return button == 1 ? ProEffectImage4 : button == 2 ? ProEffectImage5 : ProEffectImage6;
}

bool TForm5::fail(QWidget* focus, const QString& text) {
    msg::inform(text, kIncomplete);
    focus->setFocus();
    return false;
}

FormEntries TForm5::entries() const {
    FormEntries e;
    e.person = isPerson();
    e.name = Edit1->text();
    e.companyName = Edit3->text();
    e.birthYear = Edit2->text();
    e.birthMonth = ComboBox1->currentText();
    e.birthDay = ComboBox2->currentText();
    e.sex = ComboBox3->currentText();
    e.sexIndex = ComboBox3->currentIndex();
    e.id = Edit4->text();
    e.firstProduct = TabControl1->count() == 0;
    e.education = ComboBox12->currentText();
    e.educationIndex = ComboBox12->currentIndex();
    e.occupation = ComboBox4->currentText();
    e.occupationIndex = ComboBox4->currentIndex();
    e.position = ComboBox6->currentText();
    e.positionIndex = ComboBox6->currentIndex();
    e.companyScale = ComboBox5->currentText();
    e.companyScaleIndex = ComboBox5->currentIndex();
    e.companyCapital = ComboBox7->currentText();
    e.companyCapitalIndex = ComboBox7->currentIndex();
    e.county = ComboBox8->currentText();
    e.countyIndex = ComboBox8->currentIndex();
    e.district = ComboBox9->currentText();
    e.zip = Edit5->text();
    e.address = Edit6->text();
    e.email = Edit7->text();
    e.phoneArea = Edit8->text();
    e.phone = Edit9->text();
    e.phoneExt = Edit10->text();
    e.faxArea = Edit11->text();
    e.fax = Edit12->text();
    e.mobilePrefix = Edit14->text();
    e.mobile = Edit13->text();
    e.serial = Edit16->text();
    e.purchaseYear = Edit18->text();
    e.purchaseMonth = ComboBox10->currentText();
    e.purchaseDay = ComboBox11->currentText();
    return e;
}

QWidget* TForm5::field(validation::Field field) const {
    // In the order of validation::Field.
    QWidget* const fields[] = {Edit1,     Edit3,     Edit2,      ComboBox3,  Edit4,
                               ComboBox4, ComboBox6, ComboBox5,  ComboBox7,  ComboBox8,
                               ComboBox9, Edit6,     Edit7,      Edit8,      Edit9,
                               Edit16,    Edit18,    ComboBox10, ComboBox11, Edit15};
    return fields[static_cast<int>(field)];
}

bool TForm5::ValidateFields() {
    const auto failure = validation::firstFailure(
        entries(), [] { return RegistrationStore().firstRunDate().date(); });
    if (!failure) {
        return true;
    }
    msg::inform(failure->text, failure->caption);
    // A purchase after the first run: the first-run date is offered in its place.
    if (const std::optional<QDate> firstRun = failure->firstRun) {
        selectItem(ComboBox10, firstRun->month() - 1);
        selectItem(ComboBox11, firstRun->day() - 1);
        Edit18->setText(QString::number(firstRun->year()));
    }
    field(failure->field)->setFocus();
    return false;
}

void TForm5::wireKeyRules() {
    const QString digits = QStringLiteral("欄位必須為數字");
    const QString phoneDigits = QStringLiteral("電話欄位必須為數字");
    const std::tuple<TBig5Edit*, Handler&, QString> numberFields[] = {
        {Edit18, Edit18KeyUp, QStringLiteral("日期欄位必須為數字")},
        {Edit8, Edit8KeyUp, digits},
        {Edit9, Edit9KeyUp, digits},
        {Edit10, Edit10KeyUp, digits},
        {Edit11, Edit11KeyUp, digits},
        {Edit12, Edit12KeyUp, digits},
        {Edit14, Edit14KeyUp, phoneDigits},
        {Edit13, Edit13KeyUp, phoneDigits},
    };
    for (const auto& [edit, rule, message] : numberFields) {
        rule.setAction([this, edit = edit, message = message] { numericKey(edit, message); });
        connect(edit, &TBig5Edit::KeyUp, this, guard::handler([&rule = rule] { rule(); }));
    }
    const std::pair<TBig5Edit*, void (TForm5::*)()> rules[] = {
        {Edit2, &TForm5::Edit2KeyUp},   {Edit4, &TForm5::Edit4KeyUp},
        {Edit7, &TForm5::Edit7KeyUp},   {Edit16, &TForm5::Edit16KeyUp},
        {Edit17, &TForm5::Edit17KeyUp},
    };
    for (const auto& [edit, rule] : rules) {
        guard::connect(edit, &TBig5Edit::KeyUp, this, rule);
    }
}

void TForm5::numericKey(TBig5Edit* edit, const QString& message) {
    if (const auto kept = validation::numericCut(edit->text())) {
        edit->setText(*kept);
        msg::inform(message, kIncomplete);
        edit->setFocus();
    }
}

void TForm5::Edit2KeyUp() {
    numericKey(Edit2, QStringLiteral("日期欄位必須為數字"));
    const QString year = Edit2->text();
    if (!year.isEmpty()) {
        ComboBox1->setEnabled(cp950::byteLength(year) == 4);
    }
}

void TForm5::Edit4KeyUp() {
    if (!isPerson()) {
        numericKey(Edit4, QStringLiteral("公司統編必須為數字"));
    }
}

void TForm5::Edit7KeyUp() {
    const QString mail = Edit7->text();
    if (cp950::endsWithDoubleByte(mail)) {
        msg::inform(QStringLiteral("不接受中文或全形字"), kIncomplete);
        Edit7->setText(cp950::withoutLastCharacter(mail));
        Edit7->setFocus();
    }
    if (cp950::byteLength(Edit7->text()) > 35) {
        msg::inform(QStringLiteral("電子郵件過長"), kIncomplete);
        Edit7->setFocus();
    }
}

void TForm5::Edit16KeyUp() {
    if (cp950::endsWithDoubleByte(Edit16->text())) {
        msg::inform(QStringLiteral("不接受中文等文字"), kIncomplete);
        Edit16->setFocus();
    }
    const QString serial = Edit16->text();
    if (cp950::byteLength(serial) == 10 && RegUtils().IsSerialRegistered(serial)) {
        msg::inform(QStringLiteral("該產品序號已註冊過！"), QStringLiteral("註冊內容有誤！"));
        Edit16->setText(cp950::truncateToBytes(serial, 3));
        Edit16->setFocus();
    }
    if (cp950::byteLength(Edit16->text()) > 10) {
        msg::inform(QStringLiteral("產品序號過長"), kIncomplete);
        Edit16->setFocus();
    }
}

void TForm5::Edit17KeyUp() {
    if (cp950::byteLength(Edit17->text()) > 8) {
        msg::inform(QStringLiteral("經銷商或統編過長"), kIncomplete);
        Edit17->setFocus();
    }
}

void TForm5::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window restored by the window manager is not shown anew.
    if (event->spontaneous()) {
        return;
    }
    placement::centreOnScreen(this);
    msg::reportErrors([this] { FormShow(); });
}

// The close box is a cancel: back to the main window, nothing saved.
void TForm5::closeEvent(QCloseEvent* event) {
    event->ignore();
    Button3Click();
}
