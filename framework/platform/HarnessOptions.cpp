// The harness's command line: the table of options, their parsing and the --help text built from it.
#include "framework/platform/Harness.h"

#include <algorithm>
#include <charconv>
#include <tuple>

namespace {

bool ParseWholeNumber(const std::string& text, int32_t low, int32_t high, int32_t& value)
{
    const char* end = text.data() + text.size();
    auto [next, code] = std::from_chars(text.data(), end, value);
    return code == std::errc() && next == end && !text.empty() && value >= low && value <= high;
}

// What parsing collects besides the options themselves.
struct TParse {
    THarnessOptions& options;
    int32_t levels;
    bool help = false;
    bool version = false;
};

// One option: how it is written, the value it takes (empty for a flag), its lines in --help and
// what it does. "{levels}" in the help stands for the highest level.
struct TOptionRule {
    THarnessOptionInfo info;
    const char* alias;
    bool (*apply)(const std::string& value, TParse& parse, std::string& error);
};

const TOptionRule OptionRules[] = {
    {{"--window", "", "play in a window instead of the full screen"},
     nullptr,
     [](const std::string&, TParse& parse, std::string&) { return parse.options.window = true; }},
    {{"--fullscreen", "", "play on the full screen, whatever the last run was left in"},
     nullptr,
     [](const std::string&, TParse& parse, std::string&) { return parse.options.fullScreen = true; }},
    {{"--headless", "",
      "no window and no sound device: draw offscreen on a virtual clock\n"
      "that starts at 0 and moves only with the frames (16 or 17 ms each,\n"
      "1000 ms per 60 frames) and with the game's own waits"},
     nullptr,
     [](const std::string&, TParse& parse, std::string&) { return parse.options.headless = true; }},
    {{"--input", "FILE",
      "take the input from FILE instead of the keyboard and mouse; one\n"
      "event per line, 'FRAME EVENT ARGS', '#' starts a comment:\n"
      "  keydown K, keyup K, char C, mousemove X Y, mousedown B,\n"
      "  mouseup B, wheel D, focus 0|1, close, clock MS\n"
      "an event of frame F is seen after the F-th frame (0: from the\n"
      "start); 'clock' lines are the readings of the millisecond clock,\n"
      "and a file holding them replays a recording exactly; a named\n"
      "pipe is read as it is written, each frame waiting for a line of\n"
      "a later frame"},
     nullptr,
     [](const std::string& value, TParse& parse, std::string&) {
         parse.options.inputPath = value;
         return true;
     }},
    {{"--record", "FILE",
      "write every input event and clock reading of the run to FILE in\n"
      "the --input format"},
     nullptr,
     [](const std::string& value, TParse& parse, std::string&) {
         parse.options.recordPath = value;
         return true;
     }},
    {{"--frames", "N", "end the program right after the N-th frame (tables not saved)"},
     nullptr,
     [](const std::string& value, TParse& parse, std::string& error) {
         if (ParseWholeNumber(value, 1, INT32_MAX, parse.options.frames)) return true;
         error = "--frames needs a whole number of at least 1, not '" + value + "'";
         return false;
     }},
    {{"--shot", "N:FILE.png", "save the picture of the N-th frame as a PNG (repeatable)"},
     nullptr,
     [](const std::string& value, TParse& parse, std::string& error) {
         const size_t colon = value.find(':');
         TShotRequest shot;
         if (colon == std::string::npos || colon + 1 == value.size() ||
             !ParseWholeNumber(value.substr(0, colon), 1, INT32_MAX, shot.frame)) {
             error = "--shot needs FRAME:FILE.png with a frame of at least 1, not '" + value + "'";
             return false;
         }
         shot.path = value.substr(colon + 1);
         parse.options.shots.push_back(shot);
         return true;
     }},
    {{"--trace", "FILE",
      "write one JSON object per frame to FILE (\"frame\", \"ms\",\n"
      "\"screen\", and the menu's and the game's state)"},
     nullptr,
     [](const std::string& value, TParse& parse, std::string&) {
         parse.options.tracePath = value;
         return true;
     }},
    {{"--data", "DIR",
      "the folder holding images/ and sounds/, where the tables are kept\n"
      "too (default: see Files below)"},
     nullptr,
     [](const std::string& value, TParse& parse, std::string&) {
         parse.options.dataDir = value;
         return true;
     }},
    {{"--level", "N",
      "skip the intro and the menu: play one game from level N\n"
      "(1 to {levels}), then save and end"},
     nullptr,
     [](const std::string& value, TParse& parse, std::string& error) {
         if (ParseWholeNumber(value, 1, parse.levels, parse.options.level)) return true;
         error = "--level needs a level from 1 to " + std::to_string(parse.levels) + ", not '" + value + "'";
         return false;
     }},
    {{"--help", "", "show this help and end"},
     "-h",
     [](const std::string&, TParse& parse, std::string&) { return parse.help = true; }},
    {{"--version", "", "show the version and end"},
     nullptr,
     [](const std::string&, TParse& parse, std::string&) { return parse.version = true; }},
};

const TOptionRule* FindOption(const std::string& name)
{
    for (const TOptionRule& rule : OptionRules)
        if (name == rule.info.name || (rule.alias && name == rule.alias)) return &rule;
    return nullptr;
}

// The options' part of --help: names and values in one column, the help beside them.
std::string OptionsUsage(int32_t levels)
{
    constexpr size_t HelpColumn = 21;
    std::string text;
    for (const TOptionRule& rule : OptionRules) {
        std::string head = "  ";
        head.append(rule.info.name);
        if (!rule.info.argument.empty()) head.append(" ").append(rule.info.argument);
        head.resize(HelpColumn, ' ');
        std::string help(rule.info.help);
        if (const size_t at = help.find("{levels}"); at != std::string::npos)
            help.replace(at, 8, std::to_string(levels));
        size_t start = 0;
        while (start <= help.size()) {
            const size_t end = std::min(help.find('\n', start), help.size());
            text.append(start == 0 ? head : std::string(HelpColumn, ' '));
            text.append(help, start, end - start).append("\n");
            start = end + 1;
        }
    }
    return text;
}

}  // namespace

std::vector<THarnessOptionInfo> HarnessOptionTable()
{
    std::vector<THarnessOptionInfo> table;
    for (const TOptionRule& rule : OptionRules) table.push_back(rule.info);
    return table;
}

bool ParseHarnessOptions(const std::vector<std::string>& args, int32_t levels, THarnessOptions& options,
                         THarnessAction& action, std::string& error)
{
    options = THarnessOptions{};
    action = THarnessAction::Run;
    TParse parse{options, levels};
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (name.rfind("--", 0) == 0) {
            if (const size_t equals = name.find('='); equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
                inlineValue = true;
            }
        }
        const TOptionRule* rule = FindOption(name);
        if (!rule) {
            error = name.rfind("-", 0) == 0 ? "unknown option '" + args[i] + "' (see --help)"
                                            : "unexpected argument '" + name + "' (see --help)";
            return false;
        }
        if (!rule->info.argument.empty()) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = name + " needs a value";
                    return false;
                }
                value = args[++i];
            }
            if (value.empty()) {
                error = name + " needs a value";
                return false;
            }
        } else if (inlineValue) {
            error = name + " takes no value";
            return false;
        }
        if (!rule->apply(value, parse, error)) return false;
    }
    for (const auto& [set, a, b] : {std::tuple(options.window && options.headless, "--window", "--headless"),
                                    std::tuple(options.fullScreen && options.headless, "--fullscreen", "--headless"),
                                    std::tuple(options.window && options.fullScreen, "--window", "--fullscreen")}) {
        if (!set) continue;
        error = std::string(a) + " and " + b + " cannot be used together";
        return false;
    }
    if (!options.inputPath.empty() && options.inputPath == options.recordPath) {
        error = "--input and --record name the same file";
        return false;
    }
    if (parse.help)
        action = THarnessAction::Help;
    else if (parse.version)
        action = THarnessAction::Version;
    return true;
}

std::string HarnessUsage(const THarnessGame& game, const std::string& installedData, const std::string& playerData)
{
    const std::string installed = installedData.empty() ? "the installed share/krellix" : installedData;
    const std::string player = playerData.empty() ? "~/.local/share/krellix" : playerData;
    std::string usage = "Usage: krellix [OPTION]...\n" + game.about + "\n\n" + OptionsUsage(game.levels) + "\n" +
                        game.controls +
                        "\n"
                        "Frames count the game's presented pictures: the first is the blank start-up frame, the\n"
                        "second shows \"Loading...\". With --headless, --input or --record the input is taken\n"
                        "once per frame, so that runs repeat exactly.\n"
                        "Closing the window, SIGINT and SIGTERM end the game as Quit does: the tables are saved.\n"
                        "\n"
                        "Files: the pictures and sounds are read from images/ and sounds/ in the folder given\n"
                        "with --data, else in the current folder when it holds images/, else in\n";
    usage += "  " + installed + "\n";
    usage += game.tables + " are read at the start\n"
                           "and saved when the game ends normally: beside the pictures when they came from --data or\n"
                           "the current folder, else in the player's own folder ($XDG_DATA_HOME/krellix when\n"
                           "XDG_DATA_HOME is set, else ~/.local/share/krellix), made on the first save:\n";
    usage += "  " + player + "\n";
    usage += "The volumes and the window as last left are kept in the settings file\n"
             "$XDG_CONFIG_HOME/krellix/settings (else ~/.config/krellix/settings), or beside the tables\n"
             "of a --data folder; runs with --headless, --input or --record leave it alone. F12 saves\n"
             "screenshots in the pictures folder (xdg-user-dir PICTURES, else ~/Pictures) under Krellix/.\n";
    usage += "\n"
             "Exit status: 0 on success, 1 when no display is available or no game data is found, or\n"
             "when the display is lost (the tables are saved first, as for a closed window), 2 on a\n"
             "bad command line or unusable file, 255 when the game stops on an error.\n";
    return usage;
}
