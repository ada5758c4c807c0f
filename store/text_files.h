// The text files of the address book, the phrase book, the sub-accounts and
// the folder list: a header line, then one record a line, columns split at
// a separator with no quoting. Export writes the whole file at once;
// import only appends.
#pragma once

#include <string>

#include "store/list_info.h"

namespace fennel {

inline constexpr const char* kAddressFileName = "myAddress.txt";
inline constexpr const char* kPhraseFileName = "myPhrase.txt";
inline constexpr const char* kSubAccountFileName = "mySubAccount.txt";
inline constexpr const char* kFolderFileName = "myFolder.txt";

enum class TextFileKind { Address, Phrase, SubAccount, Folder };

// The whole text of the file for the store's list.
std::string ExportText(const CListInfo& store, TextFileKind kind);
// Writes it; false when the file cannot be written.
bool ExportFile(const CListInfo& store, TextFileKind kind, const std::string& path);
// Appends the records of a text; returns how many lines were taken.
int ImportText(CListInfo& store, TextFileKind kind, const std::string& text);
// Reads the file and imports it; -1 when it cannot be read.
int ImportFile(CListInfo& store, TextFileKind kind, const std::string& path);

}  // namespace fennel
