#pragma once

// The rules of text snippets and of what a mouse button asks the computer to
// do (start a program, open a web address, type a snippet), shared by the
// text page and the command line. Widget-free; texts are interface text ids.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <vector>

namespace TextRules {

// What the mouse's text request asks for: its first byte.
enum RequestFunction : int32_t {
    kStartProgram = 9,
    kOpenWebAddress = 10,
    kTypeSnippet = 11,
};

// The length the counter measures against; longer texts are kept all the same.
inline constexpr int32_t kAdvisedLength = 500;
// "%d/%d": the length and 500.
QString Counter(int32_t length);

// The default snippets a store without any gets: names 460, 461 with the
// contents 470, 471 of the current language.
inline constexpr int kDefaultNames[] = {460, 461};
inline constexpr int kDefaultContents[] = {470, 471};
// The interface text a stored default name or content stands for, whichever
// language created it: 460/461 for the names, 470/471 for the contents; 0 for
// the user's own texts. `current` is the text of that id in the current
// language, which is recognised too.
int DefaultNameText(const QString& name, const QString& current460, const QString& current461);
int DefaultContentText(const QString& content, const QString& current470, const QString& current471);

// The name of a new snippet: "%d 文本" with the list's count + 1, or the next
// number after it that no snippet is named with yet.
QString NewSnippetName(const std::vector<QString>& names);

// The address a web-address button opens, from the text typed for it. An
// address with a scheme keeps it, and only http and https open; one without
// gets "www." in front unless it holds "www." already, and opens as https.
// An empty QUrl for anything that must not open (another scheme, no host,
// blanks or control characters).
QUrl WebAddressToOpen(const QString& typed);

// The arguments a program button passes: the field shows the program's file
// name, and what the user typed behind it is split into arguments the way a
// command line is (double quotes group, nothing is expanded). Empty when the text
// does not begin with the file name.
QStringList ProgramArguments(const QString& fieldText, const QString& programPath);

} // namespace TextRules
