#include "EventLog.h"

#include <cstdio>
#include <ctime>

#include "EventLog_p.h"
#include "platform/CodePage.h"

namespace zeva::eventlog {

namespace {

// Control characters would split or forge records: they become spaces.
std::string OneLine(const std::string& acp) {
    std::string s = zeva::AcpToUtf8(acp);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return s;
}

// Cuts at a character boundary of the UTF-8 text.
void Truncate(std::string& s, std::size_t max) {
    if (s.size() <= max) return;
    std::size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    s.resize(cut);
}

}  // namespace

std::string RecordText(const std::string& buildTime, const std::string& sourceFile,
                       const std::string& function, int line, const std::string& message,
                       const std::string& category) {
    std::string text = "[" + OneLine(category) + "] " + OneLine(message) + " (" +
                       OneLine(sourceFile) + " " + OneLine(function) + ":" + std::to_string(line) +
                       ", built " + OneLine(buildTime) + ")";
    Truncate(text, kMaxText);
    return text;
}

std::string SourceName(const std::string& module) {
    std::string t;
    for (char c : module) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x20 && u < 0x7F && c != ':' && c != '[' && c != ']') t += c;
        if (t.size() == 32) break;
    }
    return t.empty() ? "zeva" : t;
}

std::string SyslogRecord(const std::string& source, const std::string& text, long processId) {
    constexpr int kPriority = 1 * 8 + 3;  // facility user, severity error
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // "%b %e %H:%M:%S", the day padded with a space (the Windows C runtime has no %e).
    char month[8] = {};
    char time[16] = {};
    std::strftime(month, sizeof month, "%b", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    char stamp[40] = {};
    std::snprintf(stamp, sizeof stamp, "%s %2d %s", month, local.tm_mday, time);
    return "<" + std::to_string(kPriority) + ">" + stamp + " " + source + "[" +
           std::to_string(processId) + "]: " + text;
}

}  // namespace zeva::eventlog

int WriteSysEventLog(const std::string& module, const std::string& buildTime,
                     const std::string& sourceFile, const std::string& function, const int& line,
                     const std::string& message, const std::string& category) {
    try {
        using namespace zeva::eventlog;
        return Report(SourceName(module),
                      RecordText(buildTime, sourceFile, function, line, message, category))
                   ? 0
                   : -1;
    } catch (...) {
        return -1;
    }
}
