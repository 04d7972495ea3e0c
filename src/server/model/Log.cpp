#include "server/model/Log.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <nlohmann/json.hpp>

namespace brisma::server {
namespace {

std::atomic<Log::Format> format{Log::Format::Text};
std::mutex writing; // one line at a time, whichever thread writes it

// "2026-12-09T20:21:00.123+09:00": local time with its offset.
std::string rfc3339Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    std::snprintf(text + n, sizeof text - n, ".%03d%c%02ld:%02ld", static_cast<int>(ms),
                  offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
    return text;
}

const char* nameOf(Log::Level level) {
    switch (level) {
    case Log::Debug:
        return "debug";
    case Log::Info:
        return "info";
    case Log::Warning:
        return "warning";
    case Log::Error:
        break;
    }
    return "error";
}

} // namespace

void Log::setFormat(Format next) {
    format = next;
}

void Log::write(Level level, std::string_view message, std::initializer_list<Field> fields) {
    emit(level, "brisma-server: " + std::string(message), message, fields);
}

void Log::writeBare(Level level, std::string_view line, std::initializer_list<Field> fields) {
    emit(level, line, line, fields);
}

void Log::emit(Level level, std::string_view text, std::string_view message,
               std::initializer_list<Field> fields) {
    std::string line;
    if (format == Format::Json) {
        nlohmann::ordered_json object{{"time", rfc3339Now()}, {"level", nameOf(level)}, {"msg", message}};
        for (const Field& field : fields)
            object[field.key] =
                field.number ? nlohmann::ordered_json(*field.number) : nlohmann::ordered_json(field.text);
        // Bytes that are no UTF-8 (a driver's message) become U+FFFD rather than a broken line.
        line = object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    } else {
        line = text;
    }
    line += '\n';
    std::lock_guard lock(writing);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void logSource(const std::string& source, std::string_view what) {
    Log::write(Log::Warning, source + ": " + std::string(what), {{"source", source}});
}

} // namespace brisma::server
