// The message catalogue: where it is and what text it holds for a code.
//
// Every report looks its code up here. The catalogue is a text file of lines "CCCCC?text",
// "#" comment lines skipped, read in pieces of at most 2054 characters as a 2055-byte line
// buffer would read them. Its contents are held in memory, keyed by the file's identity,
// modification time and size, so a report does not rescan the file; every answer is exactly
// what a fresh scan from the top of the file gives, console texts included.
#pragma once
#include <optional>
#include <string>

namespace quervik {

inline constexpr const char* kDefaultMessageFile = "msg/errors.msg";

// Sets the catalogue path. Null changes nothing; the default name never replaces a path
// already set. With DRGBIN set, a name not starting with its value is prefixed by it. The
// default name, without DRGBIN and with no msg/errors.msg in the working directory, is the
// catalogue shipped beside the library (or the command), when there is one (shippedCatalogue).
void setMessageFile(const char* name);

// msg/errors.msg beside the file this code was loaded from, or share/quervik/msg/errors.msg
// or msg/errors.msg one directory up (the build tree, the install layout, the Windows zip).
std::optional<std::string> shippedCatalogue();

// The current catalogue path, if any.
std::optional<std::string> messageFilePath();

// The text of a code (at most 2047 characters, no newline). None when the catalogue cannot
// be opened ("Nenalezen message file %s\n" was printed). A syntax error before the code
// prints "Spatna syntaxe na radce %d v message file %s\n" and gives the empty text; an
// unknown code gives "Chyba %d nenalezena v souboru %s" filled with the code and the path.
std::optional<std::string> lookupMessage(int code);

// The same answer from a full scan of the file, bypassing the in-memory copy.
std::optional<std::string> lookupMessageUncached(int code);

// Benchmarks and tests switch the in-memory copy off to compare against fresh scans.
void setCatalogueCacheEnabled(bool enabled);

// Forgets the path and the in-memory copy (tests).
void resetMessageCatalogue();

}  // namespace quervik
