#include <QtTest>
class Testlinebuffer : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(Testlinebuffer)
#include "test_linebuffer.moc"
