#include "platform/log/ErrorLog.h"

#include <regex>

namespace brisma {

// Qt names the category before each line ("brisma.errors: error 9: ..."), so the text does not.
Q_LOGGING_CATEGORY(lcErrors, "brisma.errors", QtWarningMsg)

std::string withoutQueries(const std::string& text) {
    static const std::regex address(R"((https?://[^\s?#]*)[?#]\S*)", std::regex::icase);
    return std::regex_replace(text, address, "$1");
}

bool configureErrorLog(const char* debugSetting) {
    const std::string setting = debugSetting ? debugSetting : "";
    if (setting == "1")
        QLoggingCategory::setFilterRules(QStringLiteral("brisma.errors.debug=true"));
    else if (setting == "0")
        QLoggingCategory::setFilterRules(QStringLiteral("brisma.errors=false"));
    return setting == "1";
}

void logDropped(const char* because, const std::string& detail) {
    qCDebug(lcErrors, "%s: %s", because, withoutQueries(detail).c_str());
}

ErrorLog::ErrorLog(bool everyTime, Now now) : everyTime_(everyTime), now_(std::move(now)) {}

void ErrorLog::operator()(long number, const std::string& text, ErrorReporter::Kind kind) {
    if (kind == ErrorReporter::Kind::normalPath) {
        qCDebug(lcErrors, "error %ld: %s", number, withoutQueries(text).c_str());
        return;
    }
    if (!lcErrors().isWarningEnabled())
        return;
    const std::string line = withoutQueries(text);
    const auto now = now_();
    if (!everyTime_) {
        const auto last = lastSaid_.find(line);
        if (last != lastSaid_.end() && now - last->second < std::chrono::minutes(1))
            return;
        // Texts not said for a minute need no memory; this keeps the table small.
        if (lastSaid_.size() > 256)
            std::erase_if(lastSaid_,
                          [&](const auto& said) { return now - said.second >= std::chrono::minutes(1); });
        lastSaid_[line] = now;
    }
    if (kind == ErrorReporter::Kind::notice)
        qCWarning(lcErrors, "%s", line.c_str());
    else
        qCWarning(lcErrors, "error %ld: %s", number, line.c_str());
}

} // namespace brisma
