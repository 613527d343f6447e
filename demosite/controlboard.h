#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace demosite {

// What tests ask of the site through /_control: per-path delays and forced status codes, and the
// log of request targets in arrival order.
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

    void logRequest(const std::string &target);
    std::string logText() const; // one target per line

private:
    mutable std::mutex m_mutex;
    std::map<std::string, Rule> m_rules;
    std::vector<std::string> m_log;
};

} // namespace demosite
