#pragma once

#include "core/RegistrationRecord.h"
#include "ui_TForm5.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>

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

    // Hint pictures of the phone fields.
    void Edit8Enter();
    void Edit8Exit();
    void Edit14Enter();
    void Edit14Exit();
    void Edit9Enter();
    void Edit9Exit();
    void Edit13Enter();
    void Edit13Exit();
    void Edit10Enter();
    void Edit10Exit();
    void Image2Click();
    void Image3Click();
    void Image4Click();

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
    void Label36MouseEnter();
    void Label36MouseLeave();
    void Label37MouseEnter();
    void Label37MouseLeave();
    void Label38MouseEnter();
    void Label38MouseLeave();

    // The finish-time checks: the first failing one shows its message, moves the focus and
    // gives false.
    bool ValidateFields();

    // Key-release rules of the number, e-mail, serial and dealer fields.
    void Edit2KeyUp();
    void Edit18KeyUp();
    void Edit4KeyUp();
    void Edit8KeyUp();
    void Edit9KeyUp();
    void Edit10KeyUp();
    void Edit11KeyUp();
    void Edit12KeyUp();
    void Edit14KeyUp();
    void Edit13KeyUp();
    void Edit7KeyUp();
    void Edit16KeyUp();
    void Edit17KeyUp();

    // Writes the registration record to the state key.
    void SaveEntries();
    // Fills the form with the last stored registration and its last product.
    void RestoreEntries();
    // Prints the card of the last completed registration and shows the print result; false
    // when nothing was printed (dialog cancelled, or the print failed and was reported).
    bool PrintRegCard();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isPerson() const { return MemberType == QStringLiteral("Person"); }
    void addProduct();
    void completeRegistration();
    // Prints the card on the printer already chosen; false when nothing was printed.
    bool printCard();
    // After the card: hides the form, removes the reminder's Run value, shows the result.
    void closeAfterPrint();
    void captureRecord();
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
    void showHint(QWidget* panel, int left, int top);
    void numericKey(TBig5Edit* edit, const QString& message);
    bool fail(QWidget* focus, const QString& text);
    bool fail(QWidget* focus, const QString& text, const QString& caption);

    QString programFolder_;
};
