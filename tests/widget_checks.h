#pragma once

// Force-included before every widget test's source. The widget tests are GoogleTest inside a
// QApplication: QtTest's checks compile there but report to QtTest's own logger, which no test
// runner reads, so a failing QCOMPARE would let its test pass. Every use of them fails the build
// from here on (EXPECT_*, ASSERT_* and QTest::qWaitFor are the checks and waits to use). QTest's
// input and waiting functions stay available.
#include <QTest>

// The rest of this file counts as a system header: poisoning a defined macro is no warning there.
#pragma GCC system_header
#pragma GCC poison QCOMPARE QCOMPARE_EQ QCOMPARE_NE QCOMPARE_LT QCOMPARE_LE QCOMPARE_GT QCOMPARE_GE
#pragma GCC poison QVERIFY QVERIFY2 QVERIFY_THROWS_EXCEPTION QVERIFY_THROWS_NO_EXCEPTION
#pragma GCC poison QVERIFY_EXCEPTION_THROWN QFAIL QSKIP QEXPECT_FAIL QFETCH QTEST QWARN
#pragma GCC poison QTRY_VERIFY QTRY_VERIFY2 QTRY_VERIFY_WITH_TIMEOUT QTRY_VERIFY2_WITH_TIMEOUT
#pragma GCC poison QTRY_COMPARE QTRY_COMPARE_WITH_TIMEOUT QTRY_COMPARE_EQ QTRY_COMPARE_NE
#pragma GCC poison QTRY_COMPARE_LT QTRY_COMPARE_LE QTRY_COMPARE_GT QTRY_COMPARE_GE
