#include "TForm5Access.h"

#include "TForm5.h"
#include "controls/Accessibility.h"

#include <QEvent>

using accessibility::labelList;
using accessibility::nameField;

namespace {

QString optional(const QLabel* caption) {
    QString text = caption->text();
    return text.startsWith(u'*') ? text.mid(1) : text;
}

void nameFields(TForm5& f) {
    // Company name and number change their captions with the member type.
    const bool person = f.MemberType == QStringLiteral("Person");
    nameField(f.Edit1, f.Label1->text());
    nameField(f.Edit3, (person ? f.Label33 : f.Label7)->text());
    nameField(f.Edit2, f.Label2->text(), f.Label4->text(), f.Label6->text());
    nameField(f.ComboBox1, f.Label2->text(), f.Label3->text());
    nameField(f.ComboBox2, f.Label2->text(), f.Label5->text());
    nameField(f.ComboBox3, f.Label8->text());
    nameField(f.Edit4, (person ? f.Label20 : f.Label9)->text());
    nameField(f.ComboBox12, f.Label32->text());
    nameField(f.ComboBox4, f.Label10->text());
    nameField(f.ComboBox6, f.Label12->text());
    nameField(f.ComboBox5, f.Label11->text());
    nameField(f.ComboBox7, f.Label13->text());
    nameField(f.ComboBox8, f.Label14->text());
    nameField(f.ComboBox9, f.Label15->text());
    nameField(f.Edit5, f.Label16->text());
    nameField(f.Edit6, f.Label17->text());
    nameField(f.Edit7, f.Label18->text());
    // The phone hints are pictures of an example number; these say what they show.
    nameField(f.Edit8, f.Label19->text(), QStringLiteral("區碼"),
              QStringLiteral("要含開頭 0，如：02"));
    nameField(f.Edit9, f.Label19->text(), QStringLiteral("號碼"), QStringLiteral("如：23456789"));
    nameField(f.Edit10, optional(f.Label19), QStringLiteral("分機"), QStringLiteral("如：123"));
    nameField(f.Edit11, f.Label21->text(), QStringLiteral("區碼"));
    nameField(f.Edit12, f.Label21->text(), QStringLiteral("號碼"));
    nameField(f.Edit14, f.Label22->text(), QStringLiteral("前四碼"), QStringLiteral("如：0912"));
    nameField(f.Edit13, f.Label22->text(), QStringLiteral("後六碼"), QStringLiteral("如：345678"));
    nameField(f.Edit15, f.Label23->text());
    nameField(f.Edit16, f.Label24->text());
    nameField(f.Edit17, f.Label25->text());
    nameField(f.Edit18, f.Label26->text(), f.Label28->text(), f.Label30->text());
    nameField(f.ComboBox10, f.Label26->text(), f.Label27->text());
    nameField(f.ComboBox11, f.Label26->text(), f.Label29->text());
    labelList(f.Label3, f.ComboBox1);
    labelList(f.Label5, f.ComboBox2);
    labelList(f.Label8, f.ComboBox3);
    labelList(f.Label32, f.ComboBox12);
    labelList(f.Label10, f.ComboBox4);
    labelList(f.Label12, f.ComboBox6);
    labelList(f.Label11, f.ComboBox5);
    labelList(f.Label13, f.ComboBox7);
    labelList(f.Label14, f.ComboBox8);
    labelList(f.Label15, f.ComboBox9);
    labelList(f.Label27, f.ComboBox10);
    labelList(f.Label29, f.ComboBox11);
}

// Names the fields at every showing: the member type is set just before, and changes captions.
class ShowWatcher final : public QObject {
public:
    explicit ShowWatcher(TForm5* form) : QObject(form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == form_ && event->type() == QEvent::Show) {
            nameFields(*form_);
        }
        return false;
    }

private:
    TForm5* form_;
};

}  // namespace

void describeForAccess(TForm5* form) {
    form->installEventFilter(new ShowWatcher(form));
}
