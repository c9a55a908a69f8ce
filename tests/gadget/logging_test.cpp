#include "gadget/daychange.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The rule README gives for a bug report, as QT_LOGGING_RULES holds it.
QString DocumentedRule() {
    QFile readme(QStringLiteral(README_PATH));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression rule(QStringLiteral("QT_LOGGING_RULES='([^']*)'"));
    return rule.match(QString::fromUtf8(readme.readAll())).captured(1);
}

std::vector<std::pair<QtMsgType, std::string>> *logged = nullptr;

void Record(QtMsgType type, const QMessageLogContext &context, const QString &) {
    logged->emplace_back(type, context.category ? context.category : "");
}

// The gadget's debug lines (when it next looks at the date) are off until a rule asks for them,
// and the rule README documents does. QT_LOGGING_RULES is read once at start-up, with the same
// parser as these rules (its ';' are their line breaks).
TEST(Logging, TheDocumentedRuleTurnsOnTheGadgetsDebugLines) {
    const QString documented = DocumentedRule();
    ASSERT_FALSE(documented.isEmpty()) << "README gives no QT_LOGGING_RULES='...'";
    for (const auto &[rules, shown] : {std::pair{QString(), false}, {documented, true}}) {
        std::vector<std::pair<QtMsgType, std::string>> lines;
        logged = &lines;
        QLoggingCategory::setFilterRules(QString(rules).replace(u';', u'\n'));
        const QtMessageHandler previous = qInstallMessageHandler(Record);
        { gadget::DayChangeWatcher watcher; }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        const std::pair<QtMsgType, std::string> debugLine{QtDebugMsg, "varadadid.gadget"};
        EXPECT_EQ(std::find(lines.begin(), lines.end(), debugLine) != lines.end(), shown)
            << "rules: " << rules.toStdString();
    }
}

} // namespace
