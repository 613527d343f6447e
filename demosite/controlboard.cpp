#include "controlboard.h"

#include <algorithm>

namespace demosite {

void ControlBoard::setRule(const std::string &path, Rule rule)
{
    std::lock_guard lock(m_mutex);
    if (rule.delayMs <= 0 && rule.status <= 0)
        m_rules.erase(path);
    else
        m_rules[path] = rule;
}

ControlBoard::Rule ControlBoard::ruleFor(const std::string &path, const std::string &target) const
{
    std::lock_guard lock(m_mutex);
    // A rule for the whole target (path and query, as sent) wins over one for the path alone.
    auto it = m_rules.find(target);
    if (it == m_rules.end())
        it = m_rules.find(path);
    return it == m_rules.end() ? Rule{} : it->second;
}

void ControlBoard::clear()
{
    std::lock_guard lock(m_mutex);
    m_rules.clear();
    m_log.clear();
    m_counts.clear();
    m_mediaPeak = m_mediaNow;
}

void ControlBoard::mediaSending(int change)
{
    std::lock_guard lock(m_mutex);
    m_mediaNow += change;
    m_mediaPeak = std::max(m_mediaPeak, m_mediaNow);
}

std::string ControlBoard::mediaText() const
{
    std::lock_guard lock(m_mutex);
    return "sending " + std::to_string(m_mediaNow) + "\npeak " + std::to_string(m_mediaPeak) + "\n";
}

void ControlBoard::logRequest(const std::string &target, const std::vector<std::string> &headers)
{
    std::string line = target;
    for (std::string header : headers) {
        // A value cannot break the log's lines or fields.
        for (char &c : header)
            if (c == '\t' || c == '\r' || c == '\n')
                c = ' ';
        line += '\t' + header;
    }
    std::lock_guard lock(m_mutex);
    m_log.push_back(std::move(line));
    ++m_counts[target];
}

int ControlBoard::timesRequested(const std::string &target) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_counts.find(target);
    return it == m_counts.end() ? 0 : it->second;
}

std::pair<std::shared_ptr<void>, int> ControlBoard::occupy(const std::string &target)
{
    std::lock_guard lock(m_inFlight->mutex);
    const int now = ++m_inFlight->answers[target];
    auto token = std::shared_ptr<void>(nullptr, [inFlight = m_inFlight, target](void *) {
        std::lock_guard lock(inFlight->mutex);
        --inFlight->answers[target];
    });
    return {std::move(token), now};
}

std::string ControlBoard::logText() const
{
    std::lock_guard lock(m_mutex);
    std::string out;
    for (const std::string &line : m_log)
        out += line + "\n";
    return out;
}

} // namespace demosite
