#pragma once

// The tools' command lines: one table of options gives getopt_long its long options and --help
// its lines, so an option is added by adding one entry.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <getopt.h>

struct ToolOption {
    const char* name;     // long name without "--"
    const char* argument; // the argument's name in --help; nullptr for an option without one
    const char* help;     // what --help says about it
    // Takes the option's argument (nullptr when it has none, or when a needed one is missing)
    // and returns why it is refused, or empty text.
    std::function<std::string(const char* argument)> take;
};

struct ToolCommandLine {
    const char* program;       // "findmp3"
    const char* usage;         // the usage line, printed with every usage error
    const char* description;   // --help's paragraph between the usage line and the options
    const char* unknownFormat; // the error for an unknown option, %s standing for it
    std::vector<ToolOption> options;

    // Prints "program: why; usage" as one line on stderr; returns the usage error's status.
    int UsageError(const std::string& why) const {
        std::fprintf(stderr, "%s: %s; %s\n", program, why.c_str(), usage);
        return 2;
    }

    // Parses argv; the operands (everything that is no option, and all after "--") go to
    // `operands`. Returns -1 to go on, or the status to exit with: 0 after --help or
    // --version, 2 after a usage error.
    int Parse(int argc, char** argv, std::vector<std::string>& operands) const {
        constexpr int helpValue = 0x100, versionValue = 0x101, firstValue = 0x102;
        std::vector<option> longOptions;
        for (size_t i = 0; i < options.size(); ++i)
            longOptions.push_back({options[i].name,
                                   options[i].argument ? required_argument : no_argument, nullptr,
                                   firstValue + static_cast<int>(i)});
        longOptions.push_back({"help", no_argument, nullptr, helpValue});
        longOptions.push_back({"version", no_argument, nullptr, versionValue});
        longOptions.push_back({nullptr, 0, nullptr, 0});

        // Our own messages: one line each, with the usage.
        opterr = 0;
        optind = 0; // a fresh scan (GNU)
        for (;;) {
            const int c = getopt_long(argc, argv, ":h", longOptions.data(), nullptr);
            if (c == -1)
                break;
            if (c == 'h' || c == helpValue) {
                PrintHelp();
                return 0;
            }
            if (c == versionValue) {
                std::printf("%s %s\n", program, PROJECT_VERSION_TEXT);
                return 0;
            }
            const int known = (c == ':' || c == '?') ? optopt : c;
            const ToolOption* entry =
                known >= firstValue && known < firstValue + int(options.size())
                    ? &options[size_t(known - firstValue)]
                    : nullptr;
            if (c == '?' && entry) // "--flag=value"
                return UsageError(std::string("--") + entry->name + " takes no value");
            if (c == '?' || !entry) {
                const std::string given = optopt > 0 && optopt < helpValue
                                              ? std::string("-") + char(optopt)
                                              : std::string(argv[optind - 1]);
                char text[512];
                std::snprintf(text, sizeof text, unknownFormat, given.c_str());
                return UsageError(text);
            }
            const std::string refused = entry->take(c == ':' ? nullptr : optarg);
            if (!refused.empty())
                return UsageError(refused);
        }
        for (int i = optind; i < argc; ++i)
            operands.emplace_back(argv[i]);
        return -1;
    }

    void PrintHelp() const {
        std::printf("%s\n\n%s\n\nOptions:\n", usage, description);
        for (const ToolOption& o : options) {
            std::string left = std::string("--") + o.name;
            if (o.argument)
                left += std::string(" ") + o.argument;
            PrintOptionLine(left, o.help);
        }
        PrintOptionLine("-h, --help", "show this help and exit");
        PrintOptionLine("--version", "show the version and exit");
    }

private:
    // "  --name ARG   help", the help wrapped at word ends to stay within 79 columns.
    static void PrintOptionLine(const std::string& left, const std::string& help) {
        constexpr size_t indent = 25, width = 79;
        std::string line = "  " + left;
        line.resize(std::max(line.size() + 1, indent), ' ');
        size_t start = 0;
        while (start < help.size()) {
            size_t end = help.size();
            if (line.size() + (end - start) > width) {
                const size_t room = width > line.size() ? width - line.size() : 0;
                const size_t space = help.rfind(' ', start + room);
                end = space != std::string::npos && space > start ? space : help.size();
            }
            std::printf("%s%s\n", line.c_str(), help.substr(start, end - start).c_str());
            line.assign(indent, ' ');
            start = end < help.size() ? end + 1 : end;
        }
    }
};
