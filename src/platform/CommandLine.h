#pragma once

#include <string>
#include <string_view>
#include <vector>

// The command line, read the same way by the small launcher (which loads no
// Qt, so this is plain C++) and by the viewer: our own options, Qt's (which
// Qt takes out itself and which name no document), and the documents.
// Options are read before anything else happens, so `--help` never opens a
// window titled "--help".
class CommandLine {
  public:
    enum class Action {
        Open,    // open the documents (none: a plain launch)
        Help,    // print usage() and exit 0
        Version, // print the version and exit 0
        Fail,    // print `error` on standard error and exit 2
    };

    // The arguments after the program's name.
    static CommandLine parse(const std::vector<std::string_view>& arguments);

    Action action = Action::Open;
    bool fullScreen = false; // -f: start in full screen
    bool slideshow = false;  // -s: start the slideshow
    // Which arguments name documents, by index, in order.
    std::vector<size_t> documents;
    std::string error;

    static std::string usage();
    // Prints what Help, Version and Fail ask for: the exit status then, or
    // -1 when the documents are to be opened.
    int answer(const char* version) const;
};
