#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// The server's log lines, on stderr one whole line at a time: text as an operator reads it
// ("brisma-server: what"), or with log_format = "json" one object per line (time, level, msg and
// the fields) for journald and log shippers. No line carries a query or personal data.
namespace brisma::server {

class Log {
public:
    enum Level { Debug, Info, Warning, Error };
    enum class Format { Text, Json };

    // A value the JSON line holds under its own key, beside the message that names it.
    struct Field {
        Field(std::string key, std::string text) : key(std::move(key)), text(std::move(text)) {}
        Field(std::string key, std::int64_t number) : key(std::move(key)), number(number) {}
        std::string key;
        std::string text;
        std::optional<std::int64_t> number;
    };

    static void setFormat(Format format);

    // In text "brisma-server: " + message.
    static void write(Level level, std::string_view message, std::initializer_list<Field> fields = {});
    // A line that names its own origin (a configuration's "FILE:LINE: what"), as it is in text.
    static void writeBare(Level level, std::string_view line, std::initializer_list<Field> fields = {});

private:
    static void emit(Level level, std::string_view text, std::string_view message,
                     std::initializer_list<Field> fields);
};

// A source's line: "brisma-server: ADDRESS: what", with the address as its field.
void logSource(const std::string& source, std::string_view what);

} // namespace brisma::server
