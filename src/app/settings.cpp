// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include "files/journal.h"

#include <QDir>
#include <QSettings>

#include <cmath>
#include <limits>

namespace tagmere::app {

namespace {
constexpr const char* kOrganization = "Calvex";
} // namespace

const SettingDef& settingDef(Setting id) {
    for (const SettingDef& def : kSettingTable) {
        if (def.id == id)
            return def;
    }
    // Every enumerator is in the table; reaching here is a programming error.
    return kSettingTable.front();
}

bool settingToInt(const QString& text, std::int32_t& value) {
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    const double rounded = std::nearbyint(number);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return false;
    value = static_cast<std::int32_t>(rounded);
    return true;
}

Settings::Settings(const QString& regApp, const QString& regAppValues)
    : m_regApp(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QLatin1String(kOrganization),
                                           regApp)),
      m_regAppValues(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 QLatin1String(kOrganization), regAppValues)) {}

Settings::Settings(const QString& regApp, const QString& regAppValues, const QString& folder)
    : m_regApp(
          std::make_unique<QSettings>(QDir(folder).filePath(regApp + QStringLiteral(".ini")), QSettings::IniFormat)),
      m_regAppValues(std::make_unique<QSettings>(QDir(folder).filePath(regAppValues + QStringLiteral(".ini")),
                                                 QSettings::IniFormat)) {}

Settings::~Settings() = default;

QSettings& Settings::store(SettingsApp app) const {
    return app == SettingsApp::RegApp ? *m_regApp : *m_regAppValues;
}

QString Settings::fullKey(const SettingDef& def) {
    return QLatin1String(kSettingsSection) + QLatin1Char('/') + QLatin1String(def.key);
}

QString Settings::readText(Setting id) const {
    const SettingDef& def = settingDef(id);
    return readText(id, def.defaultText ? QLatin1String(def.defaultText) : QString());
}

QString Settings::readText(Setting id, const QString& fallback) const {
    const SettingDef& def = settingDef(id);
    const QVariant value = store(def.app).value(fullKey(def));
    if (!value.isValid())
        return fallback;
    return value.toString();
}

void Settings::writeText(Setting id, const QString& value) {
    const SettingDef& def = settingDef(id);
    store(def.app).setValue(fullKey(def), value);
}

std::int32_t Settings::readColor(Setting id) const {
    const SettingDef& def = settingDef(id);
    std::int32_t fallback = 0;
    settingToInt(QLatin1String(def.defaultText ? def.defaultText : "0"), fallback);
    std::int32_t value = 0;
    if (!settingToInt(readText(id), value))
        return fallback;
    return value;
}

std::int32_t Settings::readInt(Setting id, std::int32_t fallback) const {
    const QString text = readText(id, QString::number(fallback));
    std::int32_t value = 0;
    if (!settingToInt(text, value))
        return 0;
    return value;
}

std::int32_t Settings::readInt(Setting id) const {
    const SettingDef& def = settingDef(id);
    std::int32_t fallback = 0;
    if (def.defaultText)
        settingToInt(QLatin1String(def.defaultText), fallback);
    return readInt(id, fallback);
}

void Settings::writeInt(Setting id, std::int64_t value) {
    writeText(id, QString::number(value));
}

void Settings::sync() {
    m_regApp->sync();
    m_regAppValues->sync();
}

QString Settings::fileName(SettingsApp app) const {
    return store(app).fileName();
}

int runsKept(const Settings& settings) {
    constexpr std::int32_t kMostRunsKept = 10000; // as tagmere-cli --keep
    std::int32_t kept = 0;
    if (settingToInt(settings.readText(Setting::JournalKeep), kept) && kept >= 1 && kept <= kMostRunsKept)
        return kept;
    return kDefaultRunsKept;
}

} // namespace tagmere::app
