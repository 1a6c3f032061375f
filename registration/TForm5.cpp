#include "TForm5.h"

#include "FormHelpers.h"
#include "TForm5Access.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "controls/Guard.h"
#include "controls/Placement.h"
#include "core/Convert.h"
#include "core/Cp950.h"
#include "core/Keys.h"
#include "core/Profile.h"
#include "core/RegUtils.h"
#include "core/Registry.h"
#include "core/Settings.h"
#include "core/Validation.h"
#include "desktop/MessageBoxes.h"
#include "platform/Error.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"

#include <QCloseEvent>
#include <QFocusEvent>

using formhelpers::fillList;
using formhelpers::firstRunDate;
using formhelpers::selectItem;

namespace {

constexpr int kHoverLightness = 60;

const QString kIncomplete = QStringLiteral("註冊內容不完整");
const QString kWrong = QStringLiteral("註冊內容不正確");

bool isAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

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

    bindHoverButton(this, {Label36, Label39}, &TForm5::Label36Click, &TForm5::Label36MouseEnter,
                    &TForm5::Label36MouseLeave);
    bindHoverButton(this, {Label37, Label40}, &TForm5::Label37Click, &TForm5::Label37MouseEnter,
                    &TForm5::Label37MouseLeave);
    bindHoverButton(this, {Label38, Label41}, &TForm5::Label38Click, &TForm5::Label38MouseEnter,
                    &TForm5::Label38MouseLeave);
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

    const std::pair<TBig5Edit*, void (TForm5::*)()> keyRules[] = {
        {Edit2, &TForm5::Edit2KeyUp},   {Edit18, &TForm5::Edit18KeyUp},
        {Edit4, &TForm5::Edit4KeyUp},   {Edit8, &TForm5::Edit8KeyUp},
        {Edit9, &TForm5::Edit9KeyUp},   {Edit10, &TForm5::Edit10KeyUp},
        {Edit11, &TForm5::Edit11KeyUp}, {Edit12, &TForm5::Edit12KeyUp},
        {Edit14, &TForm5::Edit14KeyUp}, {Edit13, &TForm5::Edit13KeyUp},
        {Edit7, &TForm5::Edit7KeyUp},   {Edit16, &TForm5::Edit16KeyUp},
        {Edit17, &TForm5::Edit17KeyUp},
    };
    for (const auto& [edit, rule] : keyRules) {
        guard::connect(edit, &TBig5Edit::KeyUp, this, rule);
    }

    for (QWidget* field : {Edit8, Edit14, Edit9, Edit13, Edit10}) {
        field->installEventFilter(this);
    }
    guard::connect(Image2, &THoverLabel::clicked, this, &TForm5::Image2Click);
    guard::connect(Image3, &THoverLabel::clicked, this, &TForm5::Image3Click);
    guard::connect(Image4, &THoverLabel::clicked, this, &TForm5::Image4Click);
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
    Label32->setVisible(person);
    ComboBox12->setVisible(person);
    Label20->setVisible(person);
    Label9->setVisible(!person);
    for (QWidget* w : std::initializer_list<QWidget*>{Label11, ComboBox5, Label13, ComboBox7}) {
        w->setVisible(!person);
    }
    Label33->setVisible(person);
    Label7->setVisible(!person);
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

void TForm5::showHint(QWidget* panel, int left, int top) {
    panel->move(left, top);
    panel->show();
    panel->raise();
}

void TForm5::Edit8Enter() {
    showHint(Panel4, 138, 364);
}
void TForm5::Edit8Exit() {
    Panel4->hide();
}
void TForm5::Edit14Enter() {
    showHint(Panel4, 138, 396);
}
void TForm5::Edit14Exit() {
    Panel4->hide();
}
void TForm5::Edit9Enter() {
    showHint(Panel5, 200, 364);
}
void TForm5::Edit9Exit() {
    Panel5->hide();
}
void TForm5::Edit13Enter() {
    showHint(Panel5, 200, 396);
}
void TForm5::Edit13Exit() {
    Panel5->hide();
}
void TForm5::Edit10Enter() {
    showHint(Panel6, 376, 361);
}
void TForm5::Edit10Exit() {
    Panel6->hide();
}
void TForm5::Image2Click() {
    Panel4->hide();
}
void TForm5::Image3Click() {
    Panel5->hide();
}
void TForm5::Image4Click() {
    Panel6->hide();
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
        const std::tuple<QObject*, void (TForm5::*)(), void (TForm5::*)()> hints[] = {
            {Edit8, &TForm5::Edit8Enter, &TForm5::Edit8Exit},
            {Edit14, &TForm5::Edit14Enter, &TForm5::Edit14Exit},
            {Edit9, &TForm5::Edit9Enter, &TForm5::Edit9Exit},
            {Edit13, &TForm5::Edit13Enter, &TForm5::Edit13Exit},
            {Edit10, &TForm5::Edit10Enter, &TForm5::Edit10Exit},
        };
        for (const auto& [field, enter, exit] : hints) {
            if (watched == field) {
                (this->*(in ? enter : exit))();
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

void TForm5::Label36MouseEnter() {
    ProEffectImage1->Effect_Lightness(kHoverLightness);
}
void TForm5::Label36MouseLeave() {
    ProEffectImage1->assignPicture(buttonTwin(1));
}
void TForm5::Label37MouseEnter() {
    ProEffectImage2->Effect_Lightness(kHoverLightness);
}
void TForm5::Label37MouseLeave() {
    ProEffectImage2->assignPicture(buttonTwin(2));
}
void TForm5::Label38MouseEnter() {
    ProEffectImage3->Effect_Lightness(kHoverLightness);
}
void TForm5::Label38MouseLeave() {
    ProEffectImage3->assignPicture(buttonTwin(3));
}

bool TForm5::fail(QWidget* focus, const QString& text) {
    return fail(focus, text, kIncomplete);
}

bool TForm5::fail(QWidget* focus, const QString& text, const QString& caption) {
    msg::inform(text, caption);
    focus->setFocus();
    return false;
}

bool TForm5::ValidateFields() {
    using cp950::byteLength;
    const bool person = isPerson();

    const QString name = Edit1->text();
    if (name.isEmpty()) {
        return fail(Edit1, QStringLiteral("姓名欄位未填寫"));
    }
    if (validation::containsAsciiDigit(name)) {
        return fail(Edit1, QStringLiteral("姓名不可包含數字"), QStringLiteral("註冊有誤"));
    }
    if (!person && Edit3->text().isEmpty()) {
        return fail(Edit3, QStringLiteral("公司名稱未填寫"));
    }

    const QString birthYear = Edit2->text();
    const QString badBirthday = QStringLiteral("生日欄位不正確");
    if (birthYear.isEmpty() || ComboBox1->currentText().isEmpty() ||
        ComboBox2->currentText().isEmpty() || byteLength(birthYear) != 4) {
        return fail(Edit2, badBirthday);
    }
    // A year pasted with the mouse escapes the key filter; it is no year either.
    const auto birthYearValue = convert::parseInt32(birthYear);
    if (!birthYearValue || *birthYearValue <= 1910) {
        return fail(Edit2, badBirthday);
    }
    if (ComboBox3->currentText().isEmpty()) {
        return fail(ComboBox3, QStringLiteral("性別欄位未填寫"));
    }

    const QString id = Edit4->text();
    if (!person) {
        if (id.isEmpty()) {
            return fail(Edit4, QStringLiteral("公司統編未填寫"));
        }
        if (byteLength(id) != 8) {
            return fail(Edit4, QStringLiteral("公司統編不正確"));
        }
    } else {
        const QString badId = QStringLiteral("身份證字號不正確");
        const QString badIdOrSex = QStringLiteral("身份證字號或性別不正確");
        if (byteLength(id) != 10) {
            return fail(Edit4, badId);
        }
        if (!isAsciiLetter(id[0])) {
            return fail(Edit4, badId);
        }
        const QChar sexDigit = id[1];
        if (sexDigit != u'1' && sexDigit != u'2') {
            return fail(Edit4, badId);
        }
        if (sexDigit == u'1' && ComboBox3->currentIndex() != 0) {
            return fail(Edit4, badIdOrSex);
        }
        if (sexDigit == u'2' && ComboBox3->currentIndex() != 1) {
            return fail(Edit4, badIdOrSex);
        }
        // Only the first product of a registration has its ID's check digit tested.
        if (TabControl1->count() == 0 && !validation::idCheckDigitValid(id)) {
            return fail(Edit4, badId);
        }
    }

    if (ComboBox4->currentText().isEmpty()) {
        return fail(ComboBox4, QStringLiteral("行業欄位未填寫"));
    }
    if (ComboBox6->currentText().isEmpty()) {
        return fail(ComboBox6, QStringLiteral("職稱欄位未填寫"));
    }
    if (!person && ComboBox5->currentText().isEmpty()) {
        return fail(ComboBox5, QStringLiteral("公司規模未填寫"));
    }
    if (!person && ComboBox7->currentText().isEmpty()) {
        return fail(ComboBox7, QStringLiteral("公司資本額未填寫"));
    }
    if (ComboBox8->currentText().isEmpty()) {
        return fail(ComboBox8, QStringLiteral("縣市未填寫"));
    }
    if (ComboBox9->currentText().isEmpty()) {
        return fail(ComboBox9, QStringLiteral("區域未填寫"));
    }
    const QString badAddress = QStringLiteral("地址不正確");
    if (byteLength(ComboBox9->currentText()) < 4) {
        return fail(ComboBox9, badAddress);
    }
    if (Edit6->text().isEmpty()) {
        return fail(Edit6, badAddress);
    }

    const QString mail = Edit7->text();
    const QString badMail = QStringLiteral("電子郵件不正確");
    if (!validation::containsCharacter(mail, u'@')) {
        return fail(Edit7, badMail);
    }
    if (!validation::containsCharacter(mail, u'.')) {
        return fail(Edit7, badMail);
    }
    const QString badPhone = QStringLiteral("電話欄位不正確");
    if (Edit8->text().isEmpty()) {
        return fail(Edit8, badPhone);
    }
    if (byteLength(Edit9->text()) < 5) {
        return fail(Edit9, badPhone);
    }
    if (byteLength(Edit16->text()) != 10) {
        return fail(Edit16, QStringLiteral("產品序號不正確"));
    }

    const QString badPurchase = QStringLiteral("購買日期不正確");
    if (byteLength(Edit18->text()) != 4) {
        return fail(Edit18, badPurchase);
    }
    if (ComboBox10->currentText().isEmpty()) {
        return fail(ComboBox10, badPurchase);
    }
    if (ComboBox11->currentText().isEmpty()) {
        return fail(ComboBox11, badPurchase);
    }
    const auto year = convert::parseInt32(Edit18->text());
    if (!year || *year <= 1910) {
        return fail(Edit18, badPurchase);
    }
    const auto month = convert::parseInt32(ComboBox10->currentText());
    const auto day = convert::parseInt32(ComboBox11->currentText());
    // The day list offers 31 days in every month.
    if (!month || !day || !validation::dateExists(*year, *month, *day)) {
        return fail(ComboBox11, badPurchase);
    }
    const auto firstRun = firstRunDate();
    if (!firstRun) {
        return fail(Edit18, QStringLiteral("找不到本程式第一次執行的日期，無法核對購買日期。"),
                    kWrong);
    }
    if (validation::purchaseAfterFirstRun(*year, *month, *day, firstRun->year, firstRun->month,
                                          firstRun->day)) {
        msg::inform(validation::purchaseAfterFirstRunMessage(firstRun->year, firstRun->month,
                                                             firstRun->day),
                    kWrong);
        selectItem(ComboBox10, firstRun->month - 1);
        selectItem(ComboBox11, firstRun->day - 1);
        Edit18->setText(QString::number(firstRun->year));
        Edit18->setFocus();
        return false;
    }
    return true;
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

void TForm5::Edit18KeyUp() {
    numericKey(Edit18, QStringLiteral("日期欄位必須為數字"));
}

void TForm5::Edit4KeyUp() {
    if (!isPerson()) {
        numericKey(Edit4, QStringLiteral("公司統編必須為數字"));
    }
}

void TForm5::Edit8KeyUp() {
    numericKey(Edit8, QStringLiteral("欄位必須為數字"));
}
void TForm5::Edit9KeyUp() {
    numericKey(Edit9, QStringLiteral("欄位必須為數字"));
}
void TForm5::Edit10KeyUp() {
    numericKey(Edit10, QStringLiteral("欄位必須為數字"));
}
void TForm5::Edit11KeyUp() {
    numericKey(Edit11, QStringLiteral("欄位必須為數字"));
}
void TForm5::Edit12KeyUp() {
    numericKey(Edit12, QStringLiteral("欄位必須為數字"));
}
void TForm5::Edit14KeyUp() {
    numericKey(Edit14, QStringLiteral("電話欄位必須為數字"));
}
void TForm5::Edit13KeyUp() {
    numericKey(Edit13, QStringLiteral("電話欄位必須為數字"));
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
