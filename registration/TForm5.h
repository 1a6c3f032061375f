#pragma once

#include "controls/Handlers.h"
#include "core/FormCheck.h"
#include "core/Registration.h"
#include "core/RegistrationStore.h"
#include "ui_TForm5.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <optional>
#include <tuple>

class TBig5Edit;
class TProEffectImage;

// The registration form: particulars, address, phones and the products of one registration,
// laid out for a person or an enterprise. Its lists come from regset.ini, county, district
// and postal code from postcode.ini.
class TForm5 : public QWidget, public Ui::TForm5, public RegistrationRecord {
    Q_OBJECT
public:
    static constexpr int MaxProducts = 100;
    using ProductSlots = std::array<QString, MaxProducts>;

    explicit TForm5(QWidget* parent = nullptr);

    QString RegMode;     // "online" or "print", set by the main window
    QString MemberType;  // "Person" or "Enterprise", set by the member-type window

    // One slot per product tab (slot 0 while there is no tab).
    ProductSlots PrinterType;  // Edit15
    ProductSlots ProdCd;       // Edit16
    ProductSlots ChnlId;       // Edit17
    ProductSlots PurchaseY;    // Edit18
    ProductSlots PurchaseM;    // ComboBox10
    ProductSlots PurchaseD;    // ComboBox11

    // Read at creation from regset.ini.
    QString DefaultModel;
    QString DefaultProdCd;

    // Entry i is the code of item i of the occupation, position, company-scale and
    // company-capital lists; each grows with its list.
    QStringList OccupationCodes;
    QStringList PositionCodes;
    QStringList CompanyScaleCodes;
    QStringList CompanyCapitalCodes;

    const QString& ProgramFolder() const { return programFolder_; }
    QString PostcodeFile() const;

    void FormCreate();
    void FormShow();

    void ComboBox8Change();  // county: districts and postal code
    void ComboBox9Change();  // district: postal code
    void ComboBox1Change();  // birth month: day list

    // Hint pictures of the phone fields, given their work by the hints table.
    Handler Edit8Enter, Edit8Exit, Edit14Enter, Edit14Exit, Edit9Enter, Edit9Exit;
    Handler Edit13Enter, Edit13Exit, Edit10Enter, Edit10Exit;
    Handler Image2Click, Image3Click, Image4Click;

    // Product tabs and their slots.
    void TabControl1Change();
    void Edit15Change();
    void Edit16Change();
    void Edit17Change();
    void Edit18Change();
    void ComboBox10Change();
    void ComboBox11Change();

    void Button1Click();  // clear
    void Button2Click();  // finish
    void Button3Click();  // cancel
    void Label36Click() { Button1Click(); }
    void Label37Click() { Button2Click(); }
    void Label38Click() { Button3Click(); }

    // The finish-time checks: the first failing one shows its message, moves the focus and
    // gives false.
    bool ValidateFields();

    // Key-release rules of the birth year, ID, e-mail, serial and dealer fields.
    void Edit2KeyUp();
    void Edit4KeyUp();
    void Edit7KeyUp();
    void Edit16KeyUp();
    void Edit17KeyUp();
    // The fields that take numbers only, given their work by the number-fields table.
    Handler Edit18KeyUp, Edit8KeyUp, Edit9KeyUp, Edit10KeyUp, Edit11KeyUp, Edit12KeyUp;
    Handler Edit14KeyUp, Edit13KeyUp;

    // Stores the registration being completed: the record, the products, the string.
    void SaveEntries();
    // Fills the form with the last stored registration and its last product.
    void RestoreEntries();
    // Prints the card of the last completed registration and shows the print result; false
    // when nothing was printed (dialog cancelled, or the print failed and was reported).
    bool PrintRegCard();

    // Hover handlers of the image buttons, given their work by the buttons table.
    Handler Label36MouseEnter, Label36MouseLeave;
    Handler Label37MouseEnter, Label37MouseLeave;
    Handler Label38MouseEnter, Label38MouseLeave;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isPerson() const { return MemberType == QStringLiteral("Person"); }
    void addProduct();
    void completeRegistration();
    // Prints the registration's card on the printer already chosen; false when nothing was
    // printed.
    bool printCard(const Registration& registration);
    // After the card: hides the form and shows the result.
    void showPrintResult();
    // Stores the registration whose card came out before, without printing it again.
    void storePrinted();
    void captureRecord();
    // The registration as the record and the form's lists and products hold it now.
    Registration registration() const;
    // What the fields show, in one go.
    FormEntries entries() const;
    void storeSelectedProduct();
    QList<ProductEntry> products() const;
    // False, after saying which product lacks what and showing it, when a product of this
    // registration has no model or no whole purchase date.
    bool everyProductFilled();
    // The slot of the selected tab, or -1 while there is none.
    int productSlot() const;
    void storeText(ProductSlots& store, const QString& text);
    void setPurchaseDateToday();
    const TProEffectImage* buttonTwin(int button) const;
    void wireHints();
    void wireKeyRules();
    void numericKey(TBig5Edit* edit, const QString& message);
    bool fail(QWidget* focus, const QString& text);
    QWidget* field(validation::Field field) const;

    QString programFolder_;
    // Each phone field with its hint's handlers for entering and leaving it.
    QList<std::tuple<QObject*, Handler*, Handler*>> hintFields_;
    // The registration being completed: checked and converted, not stored yet.
    std::optional<Completion> completion_;
    bool completing_ = false;
    // The card of completion_ came out, but storing it failed.
    bool printedUnsaved_ = false;
};
