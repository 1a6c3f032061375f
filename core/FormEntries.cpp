#include "FormEntries.h"

void fillRecord(RegistrationRecord& r, const FormEntries& e, const ListCodes& codes) {
    r.RecName = e.name;
    r.RecCompName = e.companyName;
    r.RecBirthY = e.birthYear;
    r.RecBirthM = e.birthMonth;
    r.RecBirthD = e.birthDay;
    r.RecSex = QString::number(e.sexIndex + 1);
    // The code of the selected item; empty when nothing is selected.
    r.RecOccupation = codes.occupation.value(e.occupationIndex);
    r.RecPos = codes.position.value(e.positionIndex);
    r.RecArea1 = e.county;
    r.RecArea2 = e.district;
    r.RecZip = e.zip;
    r.RecAddr = e.address;
    r.RecEAddr = e.email;
    r.RecPrePhone = e.phoneArea;
    r.RecPhone = e.phone;
    r.RecExtPhone = e.phoneExt;
    r.RecPreFax = e.faxArea;
    r.RecFax = e.fax;
    r.RecPreMPhone = e.mobilePrefix;
    r.RecMPhone = e.mobile;
    if (e.person) {
        r.RecPersonalId = e.id;
        r.RecEducation = QString::number(e.educationIndex + 1);
    } else {
        r.RecCompanyScale = codes.companyScale.value(e.companyScaleIndex);
        r.RecCompanyCapital = codes.companyCapital.value(e.companyCapitalIndex);
        r.RecCompanyId = e.id;
    }
}

Registration registrationOf(const RegistrationRecord& record, const FormEntries& e,
                            QList<ProductEntry> products) {
    Registration r;
    r.person = e.person;
    r.record = record;
    r.sex = e.sex;
    r.education = e.education;
    r.occupation = e.occupation;
    r.position = e.position;
    r.companyScale = e.companyScale;
    r.companyCapital = e.companyCapital;
    r.area = e.countyIndex + 1;
    r.companyScaleIndex = e.companyScaleIndex;
    r.companyCapitalIndex = e.companyCapitalIndex;
    r.products = std::move(products);
    return r;
}
