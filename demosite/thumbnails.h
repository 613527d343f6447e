#pragma once

#include <QByteArray>

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace demosite {

// 120 x 90 JPEG thumbnails, drawn once per video from its identifier and kept in memory.
class Thumbnails final
{
public:
    // The JPEG bytes for a catalogue video; empty for an unknown identifier.
    QByteArray jpeg(std::string_view id);

private:
    static QByteArray draw(std::string_view id);

    std::mutex m_mutex;
    std::map<std::string, QByteArray, std::less<>> m_cache;
};

} // namespace demosite
