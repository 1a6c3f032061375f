// The finish of the registration form: a further product, or the completed registration
// stored and handed on to the upload or the card.
#include "FormHelpers.h"
#include "TForm5.h"
#include "app/Forms.h"
#include "card/RegCard.h"
#include "card/TForm7.h"
#include "desktop/MessageBoxes.h"
#include "desktop/PrintEngine.h"
#include "upload/TForm6.h"
void TForm5::storeSelectedProduct() {
    const int slot = TabControl1->count() > 0 ? TabControl1->currentIndex() : 0;
    if (slot < 0 || slot >= MaxProducts) {
        return;
    }
    PrinterType[slot] = Edit15->text();
    ProdCd[slot] = Edit16->text();
    ChnlId[slot] = Edit17->text();
    PurchaseD[slot] = ComboBox11->currentText();
    PurchaseM[slot] = ComboBox10->currentText();
    PurchaseY[slot] = Edit18->text();
}

void TForm5::addProduct() {
    if (TabControl1->count() >= MaxProducts) {
        msg::inform(QStringLiteral("一次最多可註冊 %1 項產品，請先按「完成」完成這次的註冊，"
                                   "再註冊其他產品。")
                        .arg(MaxProducts),
                    QStringLiteral("註冊其他ORVEX產品"));
        return;
    }
    TabControl1->show();
    if (TabControl1->count() == 0) {
        TabControl1->addTab(Edit15->text());
        TabControl1->setCurrentIndex(0);
    } else {
        TabControl1->setTabText(TabControl1->currentIndex(), Edit15->text());
    }
    storeSelectedProduct();
    TabControl1->setCurrentIndex(TabControl1->addTab(QStringLiteral("新增")));
    // Through the change rules: a field that really changes fills the new tab's slot.
    Edit15->setText(DefaultModel);
    Edit16->setText(DefaultProdCd);
    Edit17->setText(QString());
    setPurchaseDateToday();
    Edit15->setFocus();
}

void TForm5::captureRecord() {
    fillRecord(*this, entries(),
               {OccupationCodes, PositionCodes, CompanyScaleCodes, CompanyCapitalCodes});
}

Registration TForm5::registration() const {
    return registrationOf(*this, entries(), products());
}

void TForm5::storePrinted() {
    SaveEntries();
    printedUnsaved_ = false;
    showPrintResult();
}

void TForm5::SaveEntries() {
    if (!completion_) {
        return;  // nothing completed yet
    }
    // A printed card ends the reminders with the same transaction.
    RegistrationStore().save(*completion_, RegMode == QStringLiteral("print")
                                               ? RegistrationStore::Reminder::Remove
                                               : RegistrationStore::Reminder::Keep);
}

bool TForm5::everyProductFilled() {
    const bool tabs = TabControl1->count() > 0;
    const auto gap = validation::firstProductGap(products(), tabs);
    if (!gap) {
        return true;
    }
    if (tabs) {
        TabControl1->setCurrentIndex(gap->product);
        TabControl1Change();
    }
    return fail(field(gap->field), gap->text);
}

QList<ProductEntry> TForm5::products() const {
    const int count = TabControl1->count() > 0 ? TabControl1->count() : 1;
    QList<ProductEntry> list;
    list.reserve(count);
    for (int k = 0; k < count && k < MaxProducts; ++k) {
        list.append(
            {PurchaseY[k], PurchaseM[k], PurchaseD[k], PrinterType[k], ProdCd[k], ChnlId[k]});
    }
    return list;
}

void TForm5::completeRegistration() {
    // A product left without its model or purchase date would be neither stored nor sent,
    // yet counted: the user is shown it before anything happens.
    storeSelectedProduct();
    if (!everyProductFilled()) {
        return;
    }
    const RegistrationStore store;
    // The printer is chosen before anything is stored: a cancelled dialog leaves the form and
    // the stored state as they were, so that finishing again registers the products once.
    const bool print = RegMode == QStringLiteral("print");
    if (print) {
        // A stored count that cannot take these products stops the finish before a printer is
        // chosen for nothing.
        store.checkRoom(static_cast<int>(products().size()));
        if (!printing::choose(this, card::documentName())) {
            return;
        }
    }
    captureRecord();
    completion_ = store.complete(registration());

    // A print registration counts once its card is printed: a card that did not come out
    // stores nothing, so that finishing again stores the products once.
    if (print) {
        try {
            if (!printCard(completion_->registration())) {
                return;
            }
        } catch (const PrintError& e) {
            throw Error(e.text() +
                        QStringLiteral("這次的註冊尚未儲存；排除問題後請再按一次「完成」。\n") +
                        e.detail());
        }
    }
    try {
        SaveEntries();
    } catch (const Error& e) {
        if (!print) {
            throw;
        }
        // The card is out: the next 完成 only stores it.
        printedUnsaved_ = true;
        throw Error(
            QStringLiteral("產品註冊卡已經印出，但這次的註冊沒有儲存。排除下面的問題後請"
                           "再按一次「完成」：不會再印一張產品註冊卡，只會儲存這次的註冊。\n") +
            e.message());
    }

    if (print) {
        showPrintResult();
    } else {
        hide();
        Form6->show();
        Form6->Edit1->setText(completion_->string());
    }
}

bool TForm5::PrintRegCard() {
    if (!printing::choose(this, card::documentName())) {
        return false;
    }
    // The registration is stored already; the caller offers the print again.
    try {
        if (!printCard(registration())) {
            return false;
        }
    } catch (const PrintError& e) {
        msg::showError(e);
        return false;
    }
    // The card is out and the registration stored: a reminder that cannot be removed is told
    // of, and the result still shown.
    msg::reportErrors([] { RegistrationStore().removeReminder(); });
    showPrintResult();
    return true;
}

bool TForm5::printCard(const Registration& registration) {
    return card::printChosen(*Form7, registration);
}

void TForm5::showPrintResult() {
    hide();
    Form6->ShowPrintResult();
}
