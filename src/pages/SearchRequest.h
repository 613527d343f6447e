#pragma once

#include <QString>
#include <QStringList>

// The address of every result page a search asks for, from the words, the two switches and the
// five option lists of the search tab.
namespace SearchRequest {

struct Options
{
    QString words;            // trimmed search words
    bool exactPhrase = false; // wrap the words in quotes
    bool highDefinition = false;
    int sortBy = 0;     // indexes of the option lists
    int uploadDate = 0;
    int duration = 0;
    int category = 0;
    int results = 0;    // index k asks for pages 1 to k + 1
};

// The items of the option lists, in list order.
QStringList SortByItems();
QStringList UploadDateItems();
QStringList DurationItems();
QStringList CategoryItems();
QStringList ResultsItems();

// The query fragment a list index adds; "" for the first item and for indexes the lists lack.
QString SortFragment(int index);
QString UploadDateFragment(int index);
QString DurationFragment(int index);
QString CategoryFragment(int index);
QString HighDefinitionFragment(bool ticked);

// Number of result pages the results list index asks for (at least 1).
int PageCount(int resultsIndex);

// The words as they go into the query: UTF-8, percent-encoded, so that "&", "%", "#" and blanks
// stay part of the words instead of ending or breaking the query.
QString EncodeWords(const QString &words);

// root + "/results?search_query=" + the encoded words, wrapped in "%22" for an exact phrase.
QString BaseAddress(const QString &root, const QString &words, bool exactPhrase);

// The address of every wanted page, page 1 first.
QStringList PageAddresses(const QString &root, const Options &options);

} // namespace SearchRequest
