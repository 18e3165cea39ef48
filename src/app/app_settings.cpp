#include "app/app_settings.h"

#include <QSettings>

namespace qlm::app {
namespace {

QSettings store() {
    return QSettings(QStringLiteral("Local AppWizard-Generated Applications"),
                     QStringLiteral("Quorlanmirex"));
}

constexpr const char* kGroup = "Quorlanmirex";

// The port was once kept as a COM port number: n reads as "COM<n>", 0 as none.
std::string portFrom(const QVariant& value) {
    if (!value.isValid())
        return {};
    const QString text = value.toString();
    bool isNumber = false;
    const long number = text.toLong(&isNumber);
    if (isNumber)
        return number > 0 ? "COM" + std::to_string(number) : std::string();
    return text.toStdString();
}

} // namespace

AppSettings AppSettings::read() {
    QSettings settings = store();
    settings.beginGroup(QString::fromLatin1(kGroup));
    AppSettings values;
    values.brindle = settings.value(QStringLiteral("m_bBrindle"), 1).toInt() != 0;
    values.mailBox = settings.value(QStringLiteral("m_bMailBox"), 0).toInt() != 0;
    values.rightJustify = settings.value(QStringLiteral("m_bRightJustify"), 0).toInt() != 0;
    values.port = portFrom(settings.value(QStringLiteral("m_iComChan")));
    values.zigbeePro = settings.value(QStringLiteral("m_bZigbeePro"), 1).toInt() != 0;
    for (const QString& key : settings.value(QStringLiteral("Keys")).toStringList())
        values.keys.push_back(key.toStdString());
    return values;
}

void AppSettings::write() const {
    QSettings settings = store();
    settings.beginGroup(QString::fromLatin1(kGroup));
    settings.setValue(QStringLiteral("m_bBrindle"), brindle ? 1 : 0);
    settings.setValue(QStringLiteral("m_bMailBox"), mailBox ? 1 : 0);
    settings.setValue(QStringLiteral("m_bRightJustify"), rightJustify ? 1 : 0);
    settings.setValue(QStringLiteral("m_iComChan"), QString::fromStdString(port));
    settings.setValue(QStringLiteral("m_bZigbeePro"), zigbeePro ? 1 : 0);
    QStringList keyTexts;
    for (const std::string& key : keys)
        keyTexts.append(QString::fromStdString(key));
    settings.setValue(QStringLiteral("Keys"), keyTexts);
    settings.sync();
}

} // namespace qlm::app
