// SPDX-License-Identifier: GPL-3.0-or-later
// The candela curve window: it follows the current file, draws a real file's curve, shows the
// reader's finding for a broken one, redraws after a save, and keeps its place and state.
#include "guitest.h"
#include "testsupport.h"

#include "ui/frmaddkeywords.h"
#include "ui/frmview.h"
#include "ui/photometryview.h"
#include "ui_frmaddkeywords.h"

#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using tagmere::test::MessageRecorder;
using tagmere::test::qs;
using tagmere::test::TempFolder;

class TestPhotometryView : public QObject {
    Q_OBJECT
private slots:
    void followsTheCurrentFile() {
        MessageRecorder messages;
        TempFolder data, config, files;
        const std::string sample =
            tagmere::test::readBytes(TAGMERE_SOURCE_DIR "/tests/data/ies/1a936937a49c63374e6d4fbed9252b29.ies");
        files.write("real.ies", sample);
        // Cut inside the candela values.
        files.write("broken.ies", sample.substr(0, sample.size() - 400));
        const QString root = QDir(qs(files.path())).canonicalPath();
        auto program = tagmere::test::startProgram(qs(data.path()), qs(config.path()), messages);
        const Ui::frmAddKeywords& c = program->window->controls();
        QVERIFY(c.dirList->setPath(root));
        c.cmdFind->click();
        const auto show = [&](const char* name) {
            tagmere::test::clickRow(c.ltvFoundFiles, tagmere::test::findRow(c.ltvFoundFiles, QLatin1String(name)));
        };

        show("real.ies");
        QVERIFY(!c.chkPhotometry->isChecked());
        c.chkPhotometry->click();
        tagmere::ui::frmPhotometry* window = program->window->photometryWindow();
        QVERIFY(window->isVisible());
        QCOMPARE(window->figures()->findItems(QStringLiteral("Beam angle C0-C180"), Qt::MatchExactly).value(0)->text(1),
                 QStringLiteral("16.6"));

        show("broken.ies");
        QCOMPARE(window->figures()->topLevelItemCount(), 0);

        // Saving the whole text from the view window draws the curve again.
        tagmere::ui::frmView* view = program->window->viewWindow();
        view->txtView()->setPlainText(QString::fromLatin1(sample.data(), static_cast<qsizetype>(sample.size())));
        QTest::mouseClick(view->txtView()->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        view->cmdSave()->click();
        QVERIFY(window->figures()->topLevelItemCount() > 0);

        // The SVG export is the same picture: two curves and the rings.
        const std::string svg = files.file("curve.svg");
        QVERIFY(window->diagram()->saveSvg(qs(svg), QSize(300, 300)));
        const std::string text = tagmere::test::readBytes(svg);
        QVERIFY(text.rfind("<svg", 200) != std::string::npos && text.find("<polyline") < text.rfind("<polyline"));
        // Rings at round steps up to the first round value above the peak of 14635 cd.
        QVERIFY(text.find(">20000</text>") != std::string::npos && text.find(">25000</text>") == std::string::npos);

        // Closing the window unticks the box; the next start remembers it open only when it was.
        window->close();
        QVERIFY(!c.chkPhotometry->isChecked());
        // Opened again, it shows the file made current while it was closed.
        show("real.ies");
        c.chkPhotometry->click();
        QCOMPARE(window->windowTitle(), QStringLiteral("Candela Curve - real.ies"));
        program->window->close();
        program.reset();
        program = tagmere::test::startProgram(qs(data.path()), qs(config.path()), messages);
        QVERIFY(program->window->controls().chkPhotometry->isChecked());
    }
};

QTEST_MAIN(TestPhotometryView)
#include "test_photometryview.moc"
