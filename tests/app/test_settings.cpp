#include "app/settings.h"
#include "testsupport.h"

#include <QFile>
#include <QTest>

using tagmere::app::Setting;
using tagmere::app::Settings;
using tagmere::app::SettingsApp;

namespace {
const QString kRegApp = QStringLiteral("Calvex-FileSystem");
const QString kRegAppValues = QStringLiteral("Calvex-Values");

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Writes an INI file for one settings application in `folder`.
void writeIni(const tagmere::test::TempFolder& folder, const QString& app, const std::string& body) {
    folder.write((app + QStringLiteral(".ini")).toStdString(), "[Startup]\n" + body);
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void tableHoldsEveryKey_data();
    void tableHoldsEveryKey();
    void defaultsWhenAbsent_data();
    void defaultsWhenAbsent();
    void colourThatIsNoNumberFallsBack_data();
    void colourThatIsNoNumberFallsBack();
    void placeConversion_data();
    void placeConversion();
    void writtenValuesReadBackInNewStore();
    void keysLiveInSectionStartupOfTheirApplication();
    void userStoreIsUnderTheConfigFolder();
};

void TestSettings::tableHoldsEveryKey_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("app");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultText");
    const auto row = [](const char* name, Setting id, const char* app, const char* key, const char* def) {
        QTest::newRow(name) << static_cast<int>(id) << QString::fromLatin1(app) << QString::fromLatin1(key)
                            << QString::fromLatin1(def);
    };
    row("default colour", Setting::OrbDefaultSelectColor, "RegApp", "OrbDefaultSelectColor", "255");
    row("file colour", Setting::OrbFileSelectColor, "RegApp", "OrbFileSelectColor", "0");
    row("folder", Setting::FindFilePath_Orb, "RegAppValues", "FindFilePath_Orb", "");
    row("left", Setting::OrbLeft, "RegApp", "OrbLeft", "-99");
    row("top", Setting::OrbTop, "RegApp", "OrbTop", "-99");
    row("height", Setting::OrbHeight, "RegApp", "OrbHeight", "");
    row("width", Setting::OrbWidth, "RegApp", "OrbWidth", "");
    row("view left", Setting::OrbViewLeft, "RegApp", "OrbViewLeft", "-99");
    row("view top", Setting::OrbViewTop, "RegApp", "OrbViewTop", "-99");
    row("view width", Setting::OrbViewWidth, "RegApp", "OrbViewWidth", "");
    row("view height", Setting::OrbViewHeight, "RegApp", "OrbViewHeight", "");
}

void TestSettings::tableHoldsEveryKey() {
    QFETCH(int, id);
    QFETCH(QString, app);
    QFETCH(QString, key);
    QFETCH(QString, defaultText);
    const tagmere::app::SettingDef& def = tagmere::app::settingDef(static_cast<Setting>(id));
    QCOMPARE(static_cast<int>(def.id), id);
    QCOMPARE(def.app == SettingsApp::RegApp ? QStringLiteral("RegApp") : QStringLiteral("RegAppValues"), app);
    QCOMPARE(QString::fromLatin1(def.key), key);
    QCOMPARE(def.defaultText ? QString::fromLatin1(def.defaultText) : QString(), defaultText);
}

void TestSettings::defaultsWhenAbsent_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("expected");
    QTest::newRow("default colour is red") << static_cast<int>(Setting::OrbDefaultSelectColor) << 255;
    QTest::newRow("file colour is black") << static_cast<int>(Setting::OrbFileSelectColor) << 0;
    QTest::newRow("left never saved") << static_cast<int>(Setting::OrbLeft) << -99;
    QTest::newRow("top never saved") << static_cast<int>(Setting::OrbTop) << -99;
}

void TestSettings::defaultsWhenAbsent() {
    QFETCH(int, id);
    QFETCH(int, expected);
    const tagmere::test::TempFolder folder;
    const Settings settings(kRegApp, kRegAppValues, qs(folder.path()));
    const auto setting = static_cast<Setting>(id);
    if (setting == Setting::OrbDefaultSelectColor || setting == Setting::OrbFileSelectColor)
        QCOMPARE(settings.readColor(setting), expected);
    else
        QCOMPARE(settings.readInt(setting), expected);
}

void TestSettings::colourThatIsNoNumberFallsBack_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("defaultColour");
    QTest::addColumn<int>("fileColour");
    QTest::newRow("numbers") << QByteArray("OrbDefaultSelectColor=65280\nOrbFileSelectColor=16711680\n") << 65280
                             << 16711680;
    QTest::newRow("words") << QByteArray("OrbDefaultSelectColor=red\nOrbFileSelectColor=blue\n") << 255 << 0;
    QTest::newRow("empty") << QByteArray("OrbDefaultSelectColor=\nOrbFileSelectColor=\n") << 255 << 0;
    QTest::newRow("blanks around") << QByteArray("OrbDefaultSelectColor=\" 128 \"\n") << 128 << 0;
    QTest::newRow("too large") << QByteArray("OrbDefaultSelectColor=99999999999\n") << 255 << 0;
}

void TestSettings::colourThatIsNoNumberFallsBack() {
    QFETCH(QByteArray, stored);
    QFETCH(int, defaultColour);
    QFETCH(int, fileColour);
    const tagmere::test::TempFolder folder;
    writeIni(folder, kRegApp, stored.toStdString());
    const Settings settings(kRegApp, kRegAppValues, qs(folder.path()));
    QCOMPARE(settings.readColor(Setting::OrbDefaultSelectColor), defaultColour);
    QCOMPARE(settings.readColor(Setting::OrbFileSelectColor), fileColour);
}

void TestSettings::placeConversion_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("whole twips") << QByteArray("OrbLeft=1500\n") << 1500;
    QTest::newRow("negative") << QByteArray("OrbLeft=-1560\n") << -1560;
    QTest::newRow("fraction rounds") << QByteArray("OrbLeft=1500.6\n") << 1501;
    QTest::newRow("never saved marker") << QByteArray("OrbLeft=-99\n") << -99;
    QTest::newRow("not a number counts as 0") << QByteArray("OrbLeft=left\n") << 0;
    QTest::newRow("out of range counts as 0") << QByteArray("OrbLeft=1e12\n") << 0;
    QTest::newRow("absent gives the fallback") << QByteArray("OrbTop=5\n") << 4242;
}

void TestSettings::placeConversion() {
    QFETCH(QByteArray, stored);
    QFETCH(int, expected);
    const tagmere::test::TempFolder folder;
    writeIni(folder, kRegApp, stored.toStdString());
    const Settings settings(kRegApp, kRegAppValues, qs(folder.path()));
    QCOMPARE(settings.readInt(Setting::OrbLeft, 4242), expected);
}

void TestSettings::writtenValuesReadBackInNewStore() {
    const tagmere::test::TempFolder folder;
    {
        Settings settings(kRegApp, kRegAppValues, qs(folder.path()));
        settings.writeInt(Setting::OrbLeft, 1800);
        settings.writeInt(Setting::OrbHeight, 12000);
        settings.writeText(Setting::FindFilePath_Orb, QStringLiteral("/data/photometry"));
        settings.sync();
    }
    const Settings settings(kRegApp, kRegAppValues, qs(folder.path()));
    QCOMPARE(settings.readInt(Setting::OrbLeft), 1800);
    QCOMPARE(settings.readInt(Setting::OrbHeight, 10455), 12000);
    QCOMPARE(settings.readInt(Setting::OrbWidth, 15120), 15120);
    QCOMPARE(settings.readText(Setting::FindFilePath_Orb, QStringLiteral("/elsewhere")),
             QStringLiteral("/data/photometry"));
}

void TestSettings::keysLiveInSectionStartupOfTheirApplication() {
    const tagmere::test::TempFolder folder;
    {
        Settings settings(kRegApp, kRegAppValues, qs(folder.path()));
        settings.writeInt(Setting::OrbTop, 300);
        settings.writeText(Setting::FindFilePath_Orb, QStringLiteral("/ies"));
        settings.sync();
    }
    const std::string fileSystem = tagmere::test::readBytes(folder.file("Calvex-FileSystem.ini"));
    const std::string values = tagmere::test::readBytes(folder.file("Calvex-Values.ini"));
    QVERIFY2(fileSystem.find("[Startup]") != std::string::npos, fileSystem.c_str());
    QVERIFY2(fileSystem.find("OrbTop=300") != std::string::npos, fileSystem.c_str());
    QVERIFY2(fileSystem.find("FindFilePath_Orb") == std::string::npos, fileSystem.c_str());
    QVERIFY2(values.find("[Startup]") != std::string::npos, values.c_str());
    QVERIFY2(values.find("FindFilePath_Orb=/ies") != std::string::npos, values.c_str());
}

void TestSettings::userStoreIsUnderTheConfigFolder() {
    const Settings settings(kRegApp, kRegAppValues);
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY(!config.isEmpty());
    QCOMPARE(settings.fileName(SettingsApp::RegApp), config + QStringLiteral("/Calvex/Calvex-FileSystem.ini"));
    QCOMPARE(settings.fileName(SettingsApp::RegAppValues), config + QStringLiteral("/Calvex/Calvex-Values.ini"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
