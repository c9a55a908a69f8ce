#include "gadget/daychange.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

bool gadgetDebugLogged = false;

void Record(QtMsgType type, const QMessageLogContext &context, const QString &) {
    gadgetDebugLogged |= type == QtDebugMsg && context.category == QByteArray("varadadid.gadget");
}

// The gadget's debug lines (when it next looks at the date) are off until a rule asks for them,
// and the rule README gives for a bug report turns them on. QT_LOGGING_RULES is read once at
// start-up by the same parser as these rules, its ';' standing for their line breaks.
TEST(Logging, TheDocumentedRuleTurnsOnTheGadgetsDebugLines) {
    QFile readme(QStringLiteral(README_PATH));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString documented = QRegularExpression(QStringLiteral("QT_LOGGING_RULES='([^']*)'"))
                                   .match(QString::fromUtf8(readme.readAll()))
                                   .captured(1);
    ASSERT_FALSE(documented.isEmpty()) << "README gives no QT_LOGGING_RULES='...'";
    for (const auto &[rules, shown] : {std::pair{QString(), false}, {documented, true}}) {
        gadgetDebugLogged = false;
        QLoggingCategory::setFilterRules(QString(rules).replace(u';', u'\n'));
        const QtMessageHandler previous = qInstallMessageHandler(Record);
        { gadget::DayChangeWatcher watcher; }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        EXPECT_EQ(gadgetDebugLogged, shown) << "rules: " << rules.toStdString();
    }
}

} // namespace
