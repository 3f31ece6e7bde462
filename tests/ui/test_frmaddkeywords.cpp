// SPDX-License-Identifier: GPL-3.0-or-later
// The main window around the keyword lists: its start and close, the Miscellaneous panel and
// the trees. The rules behind them have windowless tables; these check the wiring.
#include "guitest.h"
#include "testsupport.h"

#include "ui/frmview.h"
#include "ui_frmaddkeywords.h"

#include <QDir>
#include <QGroupBox>
#include <QHelpEvent>
#include <QToolTip>

using namespace tagmere::test;
using tagmere::app::Setting;

namespace {

struct Session {
    MessageRecorder messages;
    TempFolder data, config;
    std::unique_ptr<tagmere::ui::Program> program; // last, so it goes first
};

int tickedCount(const std::array<QTreeWidget*, tagmere::kTreeCount>& trees) {
    int count = 0;
    for (QTreeWidget* tree : trees) {
        for (QTreeWidgetItemIterator it(tree, QTreeWidgetItemIterator::Checked); *it; ++it)
            ++count;
    }
    return count;
}

} // namespace

class TestFrmAddKeywords : public QObject {
    Q_OBJECT
    std::unique_ptr<Session> m;

    void start(const QString& dataFolder = QString()) {
        m->program.reset();
        m->program = startProgram(dataFolder.isEmpty() ? QString::fromStdString(m->data.path()) : dataFolder,
                                  QString::fromStdString(m->config.path()), m->messages);
    }
    tagmere::ui::frmAddKeywords* window() const { return m->program->window.get(); }
    const Ui::frmAddKeywords& c() const { return window()->controls(); }
    QTreeWidget* tree(int index) const { return window()->trvApplication()[static_cast<size_t>(index)]; }
    // The first value of the first keyword of tree 0 (a keyword may start with an empty value).
    QTreeWidgetItem* firstValue() const {
        QTreeWidgetItem* keyword = tree(0)->topLevelItem(0);
        for (int i = 0; i < keyword->childCount(); ++i) {
            if (!keyword->child(i)->text(0).trimmed().isEmpty())
                return keyword->child(i);
        }
        return nullptr;
    }
    std::string listFile(const std::string& name) const {
        return m->data.path() + "/Calvex/OrbKeywordFiles/" + name + ".txt";
    }

private slots:
    void init() { m = std::make_unique<Session>(); }
    void cleanup() { m.reset(); }

    void firstStartWithEmptySettings() {
        start();
        QCOMPARE(m->messages.shown.size(), size_t(1)); // the backup warning
        // It comes at the first activation only.
        QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(window(), &deactivate);
        QCoreApplication::sendEvent(window(), &activate);
        QCoreApplication::processEvents();
        QCOMPARE(m->messages.shown.size(), size_t(1));
        // The factory list is installed and is the current list.
        QCOMPARE(readBytes(listFile("OrbFactoryKeywords")),
                 readBytes(TAGMERE_SOURCE_DIR "/data/OrbFactoryKeywords.txt"));
        QCOMPARE(c().cbxKeywordFiles->currentText(), QStringLiteral("OrbFactoryKeywords"));
        QVERIFY(tree(0)->topLevelItemCount() > 0);
    }

    void settingsWrittenAtCloseAndReadAtNextStart() {
        m->data.write("photometry/ies/a.ies", "TILT=NONE\r\n");
        const QString folder =
            QDir(QString::fromStdString(m->data.path())).canonicalPath() + QStringLiteral("/photometry");
        start();
        window()->move(150, 120);
        window()->resize(window()->width(), 800);
        QVERIFY(c().dirList->setPath(folder));
        c().cmdClose->click();
        QVERIFY(!window()->isVisible());
        // Stored in the old units, fifteen to a pixel.
        const tagmere::app::Settings stored(QStringLiteral("Calvex-FileSystem"), QStringLiteral("Calvex-Values"),
                                            QString::fromStdString(m->config.path()));
        QCOMPARE(stored.readInt(Setting::OrbLeft, 0), 150 * 15);

        start();
        QCOMPARE(window()->pos(), QPoint(150, 120));
        QCOMPARE(window()->height(), 800);
        QCOMPARE(c().dirList->path(), folder);
        QCOMPARE(c().drvList->drive(), tagmere::ui::DriveListBox::driveOf(folder));
    }

    // However tall the window, the controls that follow its bottom edge keep out of each other's way.
    void controlsNeverOverlap() {
        start();
        for (const int height : {400, 800, 1400}) {
            window()->resize(window()->width(), height);
            for (QWidget* parent : window()->findChildren<QWidget*>()) {
                if (parent != window() && !qobject_cast<QGroupBox*>(parent))
                    continue;
                QList<QWidget*> shown;
                for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                    if (child->isVisible() && !child->objectName().isEmpty() &&
                        !child->objectName().startsWith(QLatin1String("qt_")))
                        shown << child;
                }
                for (QWidget* child : shown) {
                    QVERIFY2(parent->rect().contains(child->geometry()), qPrintable(child->objectName()));
                    for (QWidget* other : shown)
                        QVERIFY2(child == other || !child->geometry().intersects(other->geometry()),
                                 qPrintable(child->objectName() + QLatin1Char(' ') + other->objectName()));
                }
            }
        }
        // The found list and the trees take the height the window gains.
        const int list = c().ltvFoundFiles->height(), trees = tree(0)->height();
        window()->resize(window()->width(), 1500);
        QCOMPARE(c().ltvFoundFiles->height(), list + 100);
        QCOMPARE(tree(0)->height(), trees + 100);
    }

    // A list picked is the name to save as; the factory list, which is never saved over, is not.
    void pickedListIsTheNameToSaveAs() {
        m->data.write("Calvex/OrbKeywordFiles/Other.txt", "[_LAMP], 0\r\nLED\r\n");
        start();
        QComboBox* lists = c().cbxKeywordFiles;
        lists->setCurrentIndex(lists->findText(QStringLiteral("Other")));
        QCOMPARE(c().txtKeywordFilename->text(), QStringLiteral("Other"));
        lists->setCurrentIndex(lists->findText(QStringLiteral("OrbFactoryKeywords")));
        QVERIFY(c().txtKeywordFilename->text().isEmpty());
    }

    // A value cut off in the narrow tree shows its whole text as a tip; one that fits shows none.
    void cutOffValuesShowTheirWholeText() {
        const QString longValue(120, QLatin1Char('W'));
        m->data.write("Calvex/OrbKeywordFiles/Long.txt", "[_LAMP], 0\r\nLED\r\n" + longValue.toStdString() + "\r\n");
        start();
        c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("Long")));
        for (const QString& value : {QStringLiteral("LED"), longValue}) {
            QTreeWidgetItem* item = tree(0)->findItems(value, Qt::MatchExactly | Qt::MatchRecursive).value(0);
            QVERIFY(item);
            const QRect rect = tree(0)->visualItemRect(item);
            QHelpEvent tip(QEvent::ToolTip, rect.center(), tree(0)->viewport()->mapToGlobal(rect.center()));
            QCoreApplication::sendEvent(tree(0)->viewport(), &tip);
            QCOMPARE(QToolTip::text(), value == longValue ? value : QString());
        }
    }

    void missingKeywordFolderIsReported() {
        // A file where the data folder should be: no keyword folder can be made.
        start(QString::fromStdString(m->data.write("blocked", "not a folder")));
        QCOMPARE(m->messages.shown.size(), size_t(2)); // the failure, then the backup warning
        QVERIFY2(m->messages.shown.front().text.rfind("Unable to read keyword file: ", 0) == 0,
                 m->messages.shown.front().text.c_str());
        QCOMPARE(c().cbxKeywordFiles->count(), 0);
    }

    void typingTicksAndBoldsItsRow() {
        for (const char* row : {"Manufac", "SearchSPRatio", "SearchCRI", "SearchColorTemp"}) {
            start();
            QTest::keyClicks(window()->findChild<QLineEdit*>(QStringLiteral("txt") + QLatin1String(row)),
                             QStringLiteral("1"));
            for (QCheckBox* box : {c().chkManufac, c().chkSearchSource, c().chkSearchSPRatio, c().chkSearchCRI,
                                   c().chkSearchColorTemp}) {
                const bool own = box->objectName() == QStringLiteral("chk") + QLatin1String(row);
                QVERIFY2(box->isChecked() == own && box->font().bold() == own, row);
            }
        }
    }

    // A click into a text box selects its text, so typing replaces it; typing on adds to it.
    void clickSelectsTheWholeText() {
        start();
        c().txtManufac->setText(QStringLiteral("ACME"));
        QTest::mouseClick(c().txtManufac, Qt::LeftButton, {}, QPoint(4, 4));
        QCoreApplication::processEvents();
        QTest::keyClicks(c().txtManufac, QStringLiteral("X"));
        QCoreApplication::processEvents();
        QTest::keyClicks(c().txtManufac, QStringLiteral("Y"));
        QCOMPARE(c().txtManufac->text(), QStringLiteral("XY"));
    }

    void clearResetsPanelAndTrees() {
        start();
        QTest::keyClicks(c().txtManufac, QStringLiteral("ACME"));
        QTest::keyClicks(c().txtSearchCRI, QStringLiteral("80"));
        clickCheckBox(tree(0), firstValue());
        c().cmdClear->click();
        QVERIFY(c().txtManufac->text().isEmpty() && c().txtSearchCRI->text().isEmpty());
        QVERIFY(!c().chkManufac->isChecked() && !c().chkSearchCRI->isChecked() && !c().chkSearchCRI->font().bold());
        QCOMPARE(tickedCount(window()->trvApplication()), 0);
    }

    void savedListBecomesCurrentAndIsOverwrittenOnlyOnYes() {
        start();
        const QString keyword = tree(0)->topLevelItem(0)->text(0);
        clickCheckBox(tree(0), firstValue());
        c().txtKeywordFilename->setText(QStringLiteral("Mine"));
        c().cmdSaveList->click();
        const std::string first = readBytes(listFile("Mine"));
        QVERIFY2(first.find("<SelectedValues>\r\n" + keyword.toStdString() + "\r\n") != std::string::npos,
                 first.c_str());
        QCOMPARE(c().cbxKeywordFiles->currentText(), QStringLiteral("Mine"));
        // Loaded back from the file: its remembered selection is ticked.
        QCOMPARE(tree(0)->findItems(keyword, Qt::MatchExactly).value(0)->checkState(0), Qt::Checked);

        c().cmdCheckAll->click();
        // The trees show the ticks at once.
        for (int column = 0; column < 3; ++column)
            for (QTreeWidgetItemIterator it(tree(column)); *it; ++it)
                QVERIFY2((*it)->checkState(0) == Qt::Checked, qPrintable((*it)->text(0)));
        m->messages.answers = {QMessageBox::No, QMessageBox::Yes};
        c().cmdSaveList->click();
        QCOMPARE(readBytes(listFile("Mine")), first);
        c().cmdSaveList->click();
        QVERIFY(readBytes(listFile("Mine")).size() > first.size()); // every node now in the selected section
    }

    void reloadBringsBackADeletedValue() {
        start();
        const int values = tree(0)->topLevelItem(0)->childCount();
        const auto deleteFirstValue = [&] {
            tree(0)->setFocus();
            tree(0)->setCurrentItem(firstValue());
            QTest::keyClick(tree(0), Qt::Key_Delete);
            QCOMPARE(tree(0)->topLevelItem(0)->childCount(), values - 1);
        };
        deleteFirstValue();
        c().cmdRefresh->setEnabled(true); // as after showing a file's keywords
        c().cmdRefresh->click();
        QCOMPARE(tree(0)->topLevelItem(0)->childCount(), values);
        QVERIFY(!window()->fileKeywordsShown());
        // Picking the current list again in the drop-down reloads it too.
        deleteFirstValue();
        c().cbxKeywordFiles->showPopup();
        QTest::keyClick(c().cbxKeywordFiles->view(), Qt::Key_Return);
        QCOMPARE(tree(0)->topLevelItem(0)->childCount(), values);
    }

    // "Show Selected Only" stays on across a reload of the list.
    void reloadKeepsTheFilter() {
        start();
        c().chkShowSelectedOnly->click(); // nothing is ticked, so nothing is shown
        QCOMPARE(tree(0)->topLevelItemCount(), 0);
        c().cmdRefresh->setEnabled(true);
        c().cmdRefresh->click();
        QCOMPARE(tree(0)->topLevelItemCount(), 0);
        c().chkShowSelectedOnly->click();
        QVERIFY(tree(0)->topLevelItemCount() > 0);
    }

    void closingClosesTheViewWindow() {
        start();
        tagmere::ui::frmView* view = window()->viewWindow();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        window()->close();
        QVERIFY(!view->isVisible());
    }
};

QTEST_MAIN(TestFrmAddKeywords)
#include "test_frmaddkeywords.moc"
