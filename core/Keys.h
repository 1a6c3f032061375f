#pragma once

#include <QString>

// Names of the stored state: keys of the current-user hive, the values of the state key, the
// Windows locations of the installation and of the reminder program.
namespace keys {

inline const QString Software = QStringLiteral("software");
inline const QString MakerKey = QStringLiteral("software\\quillmarsh");
inline const QString StateKey = QStringLiteral("software\\quillmarsh\\OXReg");
inline const QString SiblingKey = QStringLiteral("software\\quillmarsh\\Nimbrel");
inline const QString RunParentKey = QStringLiteral("software\\microsoft\\windows\\CurrentVersion");
inline const QString RunKey = QStringLiteral("software\\microsoft\\windows\\CurrentVersion\\Run");
inline const QString RunValue = QStringLiteral("ORVEXreg");

inline const QString MakerFolder = QStringLiteral("c:\\Program Files\\Quillmarsh");
inline const QString InstallFolder = QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg");
inline const QString NotifyProgram =
    QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe");
inline const QString NotifyCommand = NotifyProgram;
inline const QString NotifyHideCommand =
    QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe hide");

// Values of the state key.
inline const QString FirstRunDate = QStringLiteral("FirstRunDate");
inline const QString FirstRunYear = QStringLiteral("FirstRunDate_Year");
inline const QString FirstRunMonth = QStringLiteral("FirstRunDate_Month");
inline const QString FirstRunDay = QStringLiteral("FirstRunDate_Day");
inline const QString VaccineInstalled = QStringLiteral("VaccineInstalled");
inline const QString IsRemind = QStringLiteral("isRemind");
inline const QString UploadFail = QStringLiteral("uploadFail");
inline const QString RegStr = QStringLiteral("regStr");
inline const QString ProductCount = QStringLiteral("ProductCount");
inline const QString RegDate = QStringLiteral("RegDate");

// Saved registration fields.
inline const QString Name = QStringLiteral("name");
inline const QString CompName = QStringLiteral("comp_name");
inline const QString BirthdayY = QStringLiteral("birthday_y");
inline const QString BirthdayM = QStringLiteral("birthday_m");
inline const QString BirthdayD = QStringLiteral("birthday_d");
inline const QString Sex = QStringLiteral("sex");
inline const QString Occupation = QStringLiteral("occupation");
inline const QString Pos = QStringLiteral("pos");
inline const QString Zip = QStringLiteral("ZIP");
inline const QString Area1 = QStringLiteral("area1");
inline const QString Area2 = QStringLiteral("area2");
inline const QString Addr = QStringLiteral("addr");
inline const QString EAddr = QStringLiteral("e_addr");
inline const QString PrePhone = QStringLiteral("prephone");
inline const QString Phone = QStringLiteral("phone");
inline const QString ExtPhone = QStringLiteral("extphone");
inline const QString PreFax = QStringLiteral("prefax");
inline const QString Fax = QStringLiteral("fax");
inline const QString PreMPhone = QStringLiteral("premphone");
inline const QString MPhone = QStringLiteral("mphone");
inline const QString PersonalId = QStringLiteral("personalid");
inline const QString Education = QStringLiteral("Education");
inline const QString OwnerType = QStringLiteral("ownertype");
inline const QString CompanyCapital = QStringLiteral("CompanyCapital");
inline const QString CompanyScale = QStringLiteral("CompanyScale");
inline const QString CompanyId = QStringLiteral("CompanyID");

// Product values carry their entry number: prod_cd_1, prod_cd_2, ...
inline QString numbered(const QString& prefix, int n) {
    return prefix + QString::number(n);
}
inline const QString ProdCdPrefix = QStringLiteral("prod_cd_");
inline const QString PrinterTypePrefix = QStringLiteral("printer_type_");
inline const QString ChnlIdPrefix = QStringLiteral("chnl_id_");
inline const QString PurchaseYPrefix = QStringLiteral("purchase_date_y_");
inline const QString PurchaseMPrefix = QStringLiteral("purchase_date_m_");
inline const QString PurchaseDPrefix = QStringLiteral("purchase_date_d_");

}  // namespace keys
