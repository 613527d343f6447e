#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace demosite {

// What tests ask of the site through /_control: per-path delays and forced status codes, the
// log of request targets in arrival order, how often each target was asked for, and how many media
// answers were on their way at once.
class ControlBoard final
{
public:
    struct Rule {
        int delayMs = 0;
        int status = 0; // 0: answer normally
    };

    void setRule(const std::string &path, Rule rule);
    // The rule for an exact path (no query); a rule of zeros when none is set.
    Rule ruleFor(const std::string &path, const std::string &target) const;
    void clear();

    // Logs one request; `headers` holds the request headers worth showing ("Range: bytes=0-").
    void logRequest(const std::string &target, const std::vector<std::string> &headers = {});
    // One request a line: the target, then a tab before each logged header.
    std::string logText() const;
    // How often the target (path and query) was logged since the last clear.
    int timesRequested(const std::string &target) const;

    // Media answers whose body is on its way (from the answer until its last byte is handed to
    // the connection, or the client leaves): change is +1 or -1. The most at once since the last
    // clear (which starts from those on their way then) is kept.
    void mediaSending(int change);
    // "sending N\npeak M\n"
    std::string mediaText() const;
    // One more answer of the target is being sent: how many are (this one included), and a token
    // whose end (the answer's) counts it out again.
    std::pair<std::shared_ptr<void>, int> occupy(const std::string &target);

private:
    mutable std::mutex m_mutex;
    std::map<std::string, Rule> m_rules;
    std::vector<std::string> m_log;
    std::map<std::string, int> m_counts;
    int m_mediaNow = 0;
    int m_mediaPeak = 0;
    struct InFlight {
        std::mutex mutex;
        std::map<std::string, int> answers; // by target
    };
    // Shared with the tokens, which may outlive the board (an answer on its way at shut-down).
    std::shared_ptr<InFlight> m_inFlight = std::make_shared<InFlight>();
};

} // namespace demosite
