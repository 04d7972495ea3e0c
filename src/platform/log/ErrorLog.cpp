#include "platform/log/ErrorLog.h"

#include <cstddef>

namespace brisma {
namespace {

// A line longer than this says where it was cut: a text may carry a whole server address.
constexpr std::size_t kLongestText = 1000;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// `text` cut to kLongestText bytes, never inside a UTF-8 character.
std::string capped(std::string text) {
    if (text.size() <= kLongestText)
        return text;
    std::size_t cut = kLongestText;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    const std::size_t whole = text.size();
    text.resize(cut);
    return text + "... (" + std::to_string(whole) + " bytes in all)";
}

} // namespace

// Qt names the category before each line ("brisma.errors: error 9: ..."), so the text does not.
Q_LOGGING_CATEGORY(lcErrors, "brisma.errors", QtWarningMsg)

// One pass, whatever the length: an address is a run of non-blanks around "://".
std::string withoutQueries(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t scheme = text.find("://", at);
        if (scheme == std::string::npos) {
            out.append(text, at);
            break;
        }
        std::size_t end = scheme + 3;
        while (end < text.size() && !isBlank(text[end]) && text[end] != '?' && text[end] != '#')
            ++end;
        out.append(text, at, end - at);
        at = end;
        while (at < text.size() && !isBlank(text[at]))
            ++at;
    }
    return out;
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
    qCDebug(lcErrors, "%s: %s", because, capped(withoutQueries(detail)).c_str());
}

ErrorLog::ErrorLog(bool everyTime, Now now) : everyTime_(everyTime), now_(std::move(now)) {}

void ErrorLog::operator()(long number, const std::string& text, ErrorReporter::Kind kind) {
    if (kind == ErrorReporter::Kind::normalPath) {
        qCDebug(lcErrors, "error %ld: %s", number, capped(withoutQueries(text)).c_str());
        return;
    }
    if (!lcErrors().isWarningEnabled())
        return;
    const std::string line = capped(withoutQueries(text));
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
