// Restoring the registration form from the last stored registration.
#include "FormHelpers.h"
#include "TForm5.h"
#include "core/Convert.h"
#include "core/RegistrationStore.h"

using formhelpers::selectItem;

namespace {

// The item whose code is the stored value; none when no code matches. (The stored
// occupation and position are codes, not list positions.)
void selectByCode(QComboBox* list, const QStringList& codes, int value) {
    int index = -1;
    for (int i = 0; i < codes.size() && i < list->count(); ++i) {
        if (convert::parseInt32(codes[i]) == value) {
            index = i;
            break;
        }
    }
    selectItem(list, index);
}

// Selects the first item with the text and runs the list's change; without a match the
// search ends on the last item and nothing else changes.
template <typename Change>
void search(QComboBox* list, const QString& text, Change change) {
    for (int i = 0; i < list->count(); ++i) {
        list->setCurrentIndex(i);
        if (list->currentText() == text) {
            change();
            return;
        }
    }
}

}  // namespace

void TForm5::RestoreEntries() {
    const StoredEntries e = RegistrationStore().lastEntries();
    Edit1->setText(e.name);
    Edit3->setText(e.compName);
    Edit2->setText(QString::number(e.birthY));
    ComboBox1->setEnabled(true);
    selectItem(ComboBox1, e.birthM - 1);
    ComboBox2->setEnabled(true);
    selectItem(ComboBox2, e.birthD - 1);
    selectItem(ComboBox3, e.sex - 1);
    search(ComboBox8, e.area1, [this] { ComboBox8Change(); });
    search(ComboBox9, e.area2, [this] { ComboBox9Change(); });
    Edit6->setText(e.addr);
    Edit7->setText(e.eAddr);
    Edit8->setText(e.prePhone);
    Edit9->setText(e.phone);
    Edit10->setText(e.extPhone);
    Edit11->setText(e.preFax);
    Edit12->setText(e.fax);
    Edit14->setText(e.preMPhone);
    Edit13->setText(e.mPhone);
    Edit15->setText(e.printerType);
    Edit16->setText(e.prodCd);
    Edit17->setText(e.chnlId);
    Edit18->setText(QString::number(e.purchaseY));
    selectItem(ComboBox10, e.purchaseM - 1);
    selectItem(ComboBox11, e.purchaseD - 1);

    // The ID and the owner's lists follow the stored string, not the current member type.
    const auto after = [&e](const QString& piece, int length) {
        const qsizetype at = e.registration.indexOf(piece);
        return at < 0 ? QString() : e.registration.mid(at + piece.size(), length);
    };
    if (e.person) {
        Edit4->setText(after(QStringLiteral("personalid="), 10));
        selectItem(ComboBox12, e.education - 1);
        selectByCode(ComboBox4, OccupationCodes, e.occupation);
        selectByCode(ComboBox6, PositionCodes, e.pos);
    } else {
        if (e.registration.contains(QStringLiteral("CompanyID="))) {
            Edit4->setText(after(QStringLiteral("CompanyID="), 8));
        }
        selectByCode(ComboBox4, OccupationCodes, e.occupation);
        selectByCode(ComboBox6, PositionCodes, e.pos);
        selectItem(ComboBox5, e.companyScale);
        selectItem(ComboBox7, e.companyCapital);
    }
}
