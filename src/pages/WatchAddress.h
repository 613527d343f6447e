#pragma once

#include <QString>

// Addresses of the video site's watch and embed pages.
namespace WatchAddress {

// The site root followed by "/watch?v=", in lower case.
QString Prefix();
// The site root followed by "/v/": where the embeddable player lives.
QString EmbedPrefix();

// True when the text, blanks around it ignored, is at least as long as the prefix plus an
// 11-character identifier and contains the prefix anywhere, letters compared in lower case.
bool IsWatchAddress(const QString &text);

// The player address for a watch address: every lower-case prefix replaced by the embed prefix
// (exact case only; anything else is handed on unchanged).
QString EmbedAddress(const QString &text);

// The watch address of a link path such as "/watch?v=ID".
QString FromLink(const QString &link);

} // namespace WatchAddress
