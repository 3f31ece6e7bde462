#include <QtTest>
class Testkeywordedit : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(Testkeywordedit)
#include "test_keywordedit.moc"
