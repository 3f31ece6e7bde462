// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class QSettings;

namespace tagmere::app {

// Every persisted setting of the program.
enum class Setting {
    OrbDefaultSelectColor,
    OrbFileSelectColor,
    FindFilePath_Orb,
    OrbLeft,
    OrbTop,
    OrbHeight,
    OrbWidth,
    OrbViewLeft,
    OrbViewTop,
    OrbViewWidth,
    OrbViewHeight,
    OrbPhotometryLeft,
    OrbPhotometryTop,
    OrbPhotometryWidth,
    OrbPhotometryHeight,
    OrbPhotometryShown,
    JournalKeep,
};

// Which of the two settings applications holds a key.
enum class SettingsApp { RegApp, RegAppValues };

struct SettingDef {
    Setting id;
    SettingsApp app;
    const char* key;
    // The default as stored text; nullptr where the default is the window's own value at load
    // (or, for JournalKeep, the run journal's).
    const char* defaultText;
};

// The whole table: application, key and default. All keys are in section "Startup".
inline constexpr std::array<SettingDef, 17> kSettingTable = {{
    {Setting::OrbDefaultSelectColor, SettingsApp::RegApp, "OrbDefaultSelectColor", "255"},
    {Setting::OrbFileSelectColor, SettingsApp::RegApp, "OrbFileSelectColor", "0"},
    {Setting::FindFilePath_Orb, SettingsApp::RegAppValues, "FindFilePath_Orb", nullptr},
    {Setting::OrbLeft, SettingsApp::RegApp, "OrbLeft", "-99"},
    {Setting::OrbTop, SettingsApp::RegApp, "OrbTop", "-99"},
    {Setting::OrbHeight, SettingsApp::RegApp, "OrbHeight", nullptr},
    {Setting::OrbWidth, SettingsApp::RegApp, "OrbWidth", nullptr},
    {Setting::OrbViewLeft, SettingsApp::RegApp, "OrbViewLeft", "-99"},
    {Setting::OrbViewTop, SettingsApp::RegApp, "OrbViewTop", "-99"},
    {Setting::OrbViewWidth, SettingsApp::RegApp, "OrbViewWidth", nullptr},
    {Setting::OrbViewHeight, SettingsApp::RegApp, "OrbViewHeight", nullptr},
    {Setting::OrbPhotometryLeft, SettingsApp::RegApp, "OrbPhotometryLeft", "-99"},
    {Setting::OrbPhotometryTop, SettingsApp::RegApp, "OrbPhotometryTop", "-99"},
    {Setting::OrbPhotometryWidth, SettingsApp::RegApp, "OrbPhotometryWidth", nullptr},
    {Setting::OrbPhotometryHeight, SettingsApp::RegApp, "OrbPhotometryHeight", nullptr},
    // 1 when the candela curve window was open as the program closed.
    {Setting::OrbPhotometryShown, SettingsApp::RegApp, "OrbPhotometryShown", "0"},
    // How many runs the run journal keeps for undo; see runsKept().
    {Setting::JournalKeep, SettingsApp::RegApp, "JournalKeep", nullptr},
}};

inline constexpr const char* kSettingsSection = "Startup";
// A left or top edge that was never saved.
inline constexpr std::int32_t kNeverSaved = -99;

const SettingDef& settingDef(Setting id);

// The per-user settings store: text values by application, section "Startup" and key.
// Each application is one INI file, "<application>.ini": by default in the user's
// configuration folder under "Calvex" (on Linux $XDG_CONFIG_HOME/Calvex, usually
// ~/.config/Calvex), or in the folder given to the constructor.
class Settings final {
public:
    Settings(const QString& regApp, const QString& regAppValues);
    Settings(const QString& regApp, const QString& regAppValues, const QString& folder);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // The stored text, or `fallback` when the key is absent. `fallback` defaults to the
    // table's default.
    QString readText(Setting id) const;
    QString readText(Setting id, const QString& fallback) const;
    void writeText(Setting id, const QString& value);

    // A colour (red + 256 x green + 65536 x blue); text that is not a number gives the table's default.
    std::int32_t readColor(Setting id) const;

    // A place or size in twips, converted to a 32-bit integer (rounded). An absent key gives
    // `fallback`; text that is not a number, or a number out of range, gives 0.
    std::int32_t readInt(Setting id, std::int32_t fallback) const;
    // The same with the table's default.
    std::int32_t readInt(Setting id) const;
    void writeInt(Setting id, std::int64_t value);

    // Writes what is pending to disk.
    void sync();
    // The file that holds an application's keys.
    QString fileName(SettingsApp app) const;

private:
    QSettings& store(SettingsApp app) const;
    static QString fullKey(const SettingDef& def);

    std::unique_ptr<QSettings> m_regApp;
    std::unique_ptr<QSettings> m_regAppValues;
};

// How many runs the run journal keeps: the stored JournalKeep when it is 1 to 10000, else the
// journal's default. Never 0, which would throw away the run just made.
int runsKept(const Settings& settings);

// The ordinary text-to-number conversion of a stored value: decimal text with blanks around
// it allowed, rounded to a 32-bit integer. False when the text is not such a number.
bool settingToInt(const QString& text, std::int32_t& value);

} // namespace tagmere::app
