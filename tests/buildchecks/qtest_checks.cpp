// Must not compile: a widget test (widget_checks.h force-included) that checks with QtTest's
// macros, which would report nowhere under GoogleTest.
#include <gtest/gtest.h>

TEST(WidgetTest, ChecksWithQtTest) {
    QCOMPARE(1, 2);
    QVERIFY(false);
    QTRY_VERIFY(false);
    QTRY_COMPARE(1, 2);
}
