#include <QtTest>
class Testmisc : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(Testmisc)
#include "test_misc.moc"
