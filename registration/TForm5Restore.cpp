// Restoring the registration form from the last stored registration.
#include "FormHelpers.h"
#include "TForm5.h"
#include "core/Convert.h"
#include "core/Keys.h"
#include "core/RegUtils.h"

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
    const RegUtils u;
    const int n = u.GetProductCount();
    Edit1->setText(u.GetRegString(keys::Name));
    Edit3->setText(u.GetRegString(keys::CompName));
    Edit2->setText(QString::number(u.GetRegInt(keys::BirthdayY)));
    ComboBox1->setEnabled(true);
    selectItem(ComboBox1, u.GetRegInt(keys::BirthdayM) - 1);
    ComboBox2->setEnabled(true);
    selectItem(ComboBox2, u.GetRegInt(keys::BirthdayD) - 1);
    selectItem(ComboBox3, u.GetRegInt(keys::Sex) - 1);
    search(ComboBox8, u.GetRegString(keys::Area1), [this] { ComboBox8Change(); });
    search(ComboBox9, u.GetRegString(keys::Area2), [this] { ComboBox9Change(); });
    Edit6->setText(u.GetRegString(keys::Addr));
    Edit7->setText(u.GetRegString(keys::EAddr));
    Edit8->setText(u.GetRegString(keys::PrePhone));
    Edit9->setText(u.GetRegString(keys::Phone));
    Edit10->setText(u.GetRegString(keys::ExtPhone));
    Edit11->setText(u.GetRegString(keys::PreFax));
    Edit12->setText(u.GetRegString(keys::Fax));
    Edit14->setText(u.GetRegString(keys::PreMPhone));
    Edit13->setText(u.GetRegString(keys::MPhone));
    Edit15->setText(u.GetRegString(keys::numbered(keys::PrinterTypePrefix, n)));
    Edit16->setText(u.GetRegString(keys::numbered(keys::ProdCdPrefix, n)));
    Edit17->setText(u.GetRegString(keys::numbered(keys::ChnlIdPrefix, n)));
    Edit18->setText(QString::number(u.GetRegInt(keys::numbered(keys::PurchaseYPrefix, n))));
    selectItem(ComboBox10, u.GetRegInt(keys::numbered(keys::PurchaseMPrefix, n)) - 1);
    selectItem(ComboBox11, u.GetRegInt(keys::numbered(keys::PurchaseDPrefix, n)) - 1);

    // The ID and the owner's lists follow the stored string, not the current member type.
    const QString registration = u.GetRegString(keys::RegStr);
    const auto after = [&registration](const QString& piece, int length) {
        const qsizetype at = registration.indexOf(piece);
        return at < 0 ? QString() : registration.mid(at + piece.size(), length);
    };
    if (registration.contains(QStringLiteral("ownertype=0"))) {
        Edit4->setText(after(QStringLiteral("personalid="), 10));
        selectItem(ComboBox12, u.GetRegInt(keys::Education) - 1);
        selectByCode(ComboBox4, OccupationCodes, u.GetRegInt(keys::Occupation));
        selectByCode(ComboBox6, PositionCodes, u.GetRegInt(keys::Pos));
    } else {
        if (registration.contains(QStringLiteral("CompanyID="))) {
            Edit4->setText(after(QStringLiteral("CompanyID="), 8));
        }
        selectByCode(ComboBox4, OccupationCodes, u.GetRegInt(keys::Occupation));
        selectByCode(ComboBox6, PositionCodes, u.GetRegInt(keys::Pos));
        selectItem(ComboBox5, u.GetRegInt(keys::CompanyScale));
        selectItem(ComboBox7, u.GetRegInt(keys::CompanyCapital));
    }
}
