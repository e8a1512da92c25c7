// The engine log: every message is one line on standard error.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "core.h"
#include "subsystems.h"

namespace desktop {
namespace {

std::string format(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), fmt, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

void logLine(const char* text) {
    std::string line = text ? text : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    // A message with line breaks inside still takes one line of the log.
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    line += '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

void logf(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const std::string text = format(fmt, args);
    va_end(args);
    logLine(text.c_str());
}

}  // namespace desktop

void Engine::System_Log(const char* fmt, ...) {
    if (!fmt) return;
    va_list args;
    va_start(args, fmt);
    const std::string text = desktop::format(fmt, args);
    va_end(args);
    desktop::logLine(text.c_str());
}
