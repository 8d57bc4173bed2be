#include "cli/cli.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "audio/resample/fast_kernels.hpp"

namespace chpimport::cli {
namespace {

// Usage lines in the form the tool has always printed them: the positionals, then each
// option in brackets ("usage: chpimport resample IN.wav OUT.wav [--zuvan] [--channel N]").
class UsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override {
        std::string usage = "usage: " + name;
        if (!app->get_subcommands({}).empty()) return usage + " <command> [arguments]\n";
        for (const CLI::Option* opt : app->get_options())
            if (opt->get_positional()) usage += " " + make_option_usage(opt);
        for (const CLI::Option* opt : app->get_options()) {
            if (opt->get_positional() || opt->get_group().empty() || opt == app->get_help_ptr())
                continue;
            usage += " [" + opt->get_name(false, false);
            if (!opt->get_type_name().empty()) usage += " " + opt->get_type_name();
            usage += "]";
        }
        return usage + "\n";
    }
    // The usage line first, as other tools print it.
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        std::string help = make_usage(app, name) + "\n" + make_description(app) +
                           make_positionals(app) + make_groups(app, mode) +
                           make_subcommands(app, mode) + "\n" + make_footer(app);
        // One blank line between the parts, whichever of them are empty.
        for (std::size_t at; (at = help.find("\n\n\n")) != std::string::npos;) help.erase(at, 1);
        return help;
    }
    // A command in the list of commands: its usage line, then what it does.
    std::string make_subcommand(const CLI::App* sub) const override {
        std::string usage = make_usage(sub, sub->get_name());
        return "  " + usage.substr(usage.find(' ') + 1) + "      " + sub->get_description() + "\n";
    }
    // The usage line shows what a positional is; its type and "REQUIRED" add nothing.
    std::string make_option_opts(const CLI::Option* opt) const override {
        return opt->get_positional() ? "" : CLI::Formatter::make_option_opts(opt);
    }
};

const char* const kCommands[] = {"import", "report", "info", "decode", "resample"};

void AddImport(CLI::App& app, ImportOptions& o) {
    CLI::App* cmd = app.add_subcommand(
        "import", "import projects: WAV files, .zpf, .tbl and debug.bid for each");
    cmd->add_option("PATH", o.paths, "a CHP file, or a folder: the *.CHP files in it")->required();
    cmd->add_flag("--zuvan", o.zuvan,
                  "11025 Hz output (\"Make it Zuvan Compatible\") instead of 11111 Hz");
    cmd->add_flag("-r,--recursive", o.recursive, "search folders below each folder PATH too");
    cmd->add_option("-o,--output", o.output,
                    "write every output under DIR; the sources are only read")
        ->type_name("DIR");
    cmd->add_flag("--json", o.json, "print one JSON document; progress goes to standard error");
    cmd->add_flag("--report", o.report,
                  "also write NAME.html beside each project file: a page to look at and listen "
                  "to the messages");
    cmd->add_option("-j,--jobs", o.jobs,
                    "import N projects at once (default: one per core; 1: one after the other)")
        ->check(CLI::Range(1u, 1024u))
        ->type_name("N");
    cmd->add_flag(kReferenceConverterOption, o.referenceConverter)->group("");
    cmd->footer("Each project is imported as if the program had been started for it alone.\n"
                "Examples:\n"
                "  chpimport import DEMO.CHP --zuvan\n"
                "  chpimport import --recursive /mnt/archive        every project below it\n"
                "  chpimport import -r /mnt/archive --output zuvan  outputs under zuvan/\n"
                "  chpimport import --json DEMO.CHP > demo.json\n"
                "  chpimport import DEMO.CHP --report                and DEMO.html");
}

void AddReport(CLI::App& app, ReportOptions& o) {
    CLI::App* cmd = app.add_subcommand(
        "report", "write PROJECT.html for an import done earlier, beside its project file");
    cmd->add_option("PROJECT.CHP", o.path, "the CHP file, its outputs beside it")->required();
    cmd->add_option("-o,--output", o.output,
                    "the outputs are in DIR, as import --output DIR wrote them; the page too")
        ->type_name("DIR");
    cmd->footer("Examples:\n"
                "  chpimport report DEMO.CHP\n"
                "  chpimport report --output zuvan/demo DEMO.CHP");
}

void AddInfo(CLI::App& app, InfoOptions& o) {
    CLI::App* cmd = app.add_subcommand("info", "show what the dialog's Browse shows");
    cmd->add_option("PROJECT.CHP", o.path, "the CHP file")->required();
    cmd->add_flag("--json", o.json, "print one JSON document instead");
    cmd->footer("Examples:\n"
                "  chpimport info DEMO.CHP\n"
                "  chpimport info --json DEMO.CHP");
}

void AddDecode(CLI::App& app, DecodeOptions& o) {
    CLI::App* cmd =
        app.add_subcommand("decode", "decode one message to 16-bit PCM, show its trailer");
    cmd->add_option("MESSAGE.VOC", o.voc, "the Creative Voice file")->required();
    cmd->add_option("OUT.wav", o.wave, "replaced only once the decode has succeeded")->required();
    cmd->add_flag("--blocks", o.blocks,
                  "list the blocks met: offset, type, length, rate and what was done");
    cmd->footer("Examples:\n"
                "  chpimport decode MSG00001.VOC msg1.wav\n"
                "  chpimport decode --blocks MSG00001.VOC msg1.wav");
}

void AddResample(CLI::App& app, ResampleOptions& o) {
    CLI::App* cmd = app.add_subcommand(
        "resample", "convert to 16-bit mono at 11111 Hz (11025 Hz with --zuvan)");
    cmd->add_option("IN.wav", o.input, "a PCM WAV file, taken as 22222 Hz")->required();
    cmd->add_option("OUT.wav", o.output, "the converted file")->required();
    cmd->add_flag("--zuvan", o.zuvan, "11025 Hz instead of 11111 Hz");
    cmd->add_option("--channel", o.channel,
                    "of a multi-channel input take channel N (from 0); without it, the digit "
                    "of the next key pressed")
        ->type_name("N")
        // A channel is chosen by its digit, as on the console.
        ->check(CLI::Validator(
            [](const std::string& value) -> std::string {
                bool digit = value.size() == 1 && value[0] >= '0' && value[0] <= '9';
                return digit ? "" : "a channel is one digit, 0 to 9";
            },
            ""));
    cmd->add_flag(kReferenceConverterOption, o.referenceConverter)->group("");
    cmd->footer("Example:\n  chpimport resample speech.wav speech-11k.wav --channel 0");
}

// "--channel: 1 required N missing" reads better as "--channel: missing argument".
std::string ErrorText(const CLI::ParseError& e) {
    std::string text = e.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) // "...not expected: b c"
        return "unexpected argument " + text.substr(text.rfind(": ") + 2);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr && text.size() > 8 &&
        text.compare(text.size() - 8, 8, " missing") == 0) {
        std::size_t colon = text.find(':');
        if (colon != std::string::npos) return text.substr(0, colon) + ": missing argument";
    }
    return text;
}

// Arguments the command did not take: options it doesn't know, or one path too many.
std::string ExtrasText(const std::vector<std::string>& extras) {
    const std::string& first = extras.front();
    if (first.size() > 1 && first[0] == '-') return "unknown option " + first;
    return "unexpected argument " + first;
}

} // namespace

int Run(const Args& args, Streams io) {
    CLI::App app("Imports ISD voice-chip projects (.CHP) for the Zuvan product.", "chpimport");
    app.formatter(std::make_shared<UsageFormatter>());
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // Options are spelt the same everywhere; on Windows too "/x" is a path (Wine's Z:\ seen
    // from Linux, or a path with forward slashes), never an option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    bool version = false; // answered before parsing; declared here for the help text
    app.add_flag("--version", version,
                 "the program's version (and the converter kernel this processor runs)");
    ImportOptions import;
    ReportOptions report;
    InfoOptions info;
    DecodeOptions decode;
    ResampleOptions resample;
    AddImport(app, import);
    AddReport(app, report);
    AddInfo(app, info);
    AddDecode(app, decode);
    AddResample(app, resample);
    app.footer("Run 'chpimport COMMAND --help' for a command's options and examples.");
    for (CLI::App* cmd : app.get_subcommands({})) cmd->allow_extras()->group("Commands");

    if (args.empty()) {
        io.err << app.help();
        return kExitUsage;
    }
    const std::string& name = args[0];
    if (name == "--help" || name == "-h" || name == "help") {
        io.out << app.help();
        return kExitOk;
    }
    if (name == "--version") {
        io.out << "chpimport " << CHPIMPORT_VERSION << "\n"
               << "converter kernel: " << BestGroupKernel().name << "\n";
        return kExitOk;
    }
    if (std::find(std::begin(kCommands), std::end(kCommands), name) == std::end(kCommands)) {
        io.err << "chpimport: unknown command '" << name << "'\n" << app.help();
        return kExitUsage;
    }

    CLI::App* cmd = app.get_subcommand(name);
    std::string error;
    // The arguments the command didn't take; CLI11 keeps the "--" that ends the options
    // among them.
    auto extras = [cmd] {
        std::vector<std::string> left = cmd->remaining();
        left.erase(std::remove(left.begin(), left.end(), "--"), left.end());
        return left;
    };
    try {
        app.parse(Args(args.rbegin(), args.rend()));
        if (!extras().empty()) error = ExtrasText(extras());
    } catch (const CLI::CallForHelp&) {
        io.out << cmd->help("chpimport");
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        // An unknown option explains a missing path better than the missing path does.
        error = extras().empty() ? ErrorText(e) : ExtrasText(extras());
    }
    if (!error.empty()) {
        io.err << UsageFormatter().make_usage(cmd, "chpimport " + name) << "chpimport " << name
               << ": " << error << "\n"
               << "Run 'chpimport " << name << " --help' for more.\n";
        return kExitUsage;
    }
    if (name == "import") return CmdImport(import, io);
    if (name == "report") return CmdReport(report, io);
    if (name == "info") return CmdInfo(info, io);
    if (name == "decode") return CmdDecode(decode, io);
    return CmdResample(resample, io);
}

} // namespace chpimport::cli
