// The dump command: every record of a log dissected into the cells of its grid row,
// one line per record, as JSON objects or as caption=value text.

#include "commands.h"
#include "decoding_options.h"

#include "capture/capture.h"
#include "dissect/cell_recorder.h"
#include "dissect/column_flags.h"
#include "dissect/frame_dissector.h"
#include "dissect/layer.h"
#include "logfile/log_file.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <string_view>

namespace qlntool {
namespace {

enum class DumpFormat { kJson, kText };

// What the command line asked for.
struct DumpOptions {
    std::string path;
    qlm::ColumnFlags columns = qlm::ColumnFlags::all();
    DumpFormat format = DumpFormat::kJson;
    // MailBox decoding of AF messages ("Parse MailBox Frames").
    bool mailbox = false;
    DecodingOptions decoding;
};

// Fills `options` from the arguments; returns an empty string or the usage error.
std::string parseDumpArguments(const Arguments& arguments, DumpOptions& options) {
    bool havePath = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string error;
        if (takeDecodingOption(arguments, i, options.decoding, error)) {
            if (!error.empty())
                return error;
        } else if (argument == "--mailbox") {
            options.mailbox = true;
        } else if (argument == "--columns" || argument == "--format") {
            if (i + 1 == arguments.size())
                return argument + " needs a value";
            const std::string& value = arguments[++i];
            if (argument == "--columns" && value == "all")
                options.columns = qlm::ColumnFlags::all();
            else if (argument == "--columns" && value == "startup")
                options.columns = qlm::ColumnFlags::startup();
            else if (argument == "--format" && value == "json")
                options.format = DumpFormat::kJson;
            else if (argument == "--format" && value == "text")
                options.format = DumpFormat::kText;
            else
                return "unknown value \"" + value + "\" for " + argument;
        } else if (!argument.empty() && argument[0] == '-') {
            return "unknown option \"" + argument + "\" for dump";
        } else if (havePath) {
            return "dump takes one log file";
        } else {
            options.path = argument;
            havePath = true;
        }
    }
    return havePath ? std::string() : "dump takes one log file";
}

// Bytes 0x80 to 0xFF of the dissector's texts are Latin-1 characters; the output
// is UTF-8, so each becomes two bytes.
void appendLatin1(std::string& out, unsigned char c) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

bool plainInJson(unsigned char c) {
    return c >= 0x20 && c < 0x80 && c != '"' && c != '\\';
}

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (size_t i = 0; i < text.size(); ++i) {
        // Most text needs no escape: copy it a run at a time.
        const size_t start = i;
        while (i < text.size() && plainInJson(static_cast<unsigned char>(text[i])))
            ++i;
        out.append(text.substr(start, i - start));
        if (i == text.size())
            break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += text[i];
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            appendLatin1(out, c);
        }
    }
    out += '"';
}

// Text lines stay one line per record: control characters become '.'.
void appendText(std::string& out, std::string_view text) {
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20)
            out += '.';
        else if (c >= 0x80)
            appendLatin1(out, c);
        else
            out += ch;
    }
}

void appendJsonLine(std::string& line, int32_t index, const qlm::CellRecorder& cells) {
    line += "{\"frame\": ";
    char number[16];
    const auto end = std::to_chars(number, number + sizeof number, int64_t{index} + 1).ptr;
    line.append(number, end);
    line += ", \"cells\": [";
    for (size_t i = 0; i < cells.size(); ++i) {
        const qlm::CellRecorder::Cell cell = cells[i];
        if (i > 0)
            line += ", ";
        line += "{\"layer\": ";
        appendJsonString(line, qlm::layerName(cell.layer()));
        line += ", \"column\": ";
        appendJsonString(line, qlm::columnName(cell.column));
        line += ", \"caption\": ";
        appendJsonString(line, cell.caption);
        line += ", \"value\": ";
        appendJsonString(line, cell.value);
        line += ", \"explanation\": ";
        appendJsonString(line, cell.explanation);
        line += '}';
    }
    line += "]}\n";
}

void appendTextLine(std::string& line, const qlm::CellRecorder& cells) {
    for (size_t i = 0; i < cells.size(); ++i) {
        const qlm::CellRecorder::Cell cell = cells[i];
        if (i > 0)
            line += "  ";
        appendText(line, cell.caption);
        line += '=';
        appendText(line, cell.value);
    }
    line += '\n';
}

} // namespace

int dumpCommand(const Arguments& arguments) {
    DumpOptions options;
    if (const std::string error = parseDumpArguments(arguments, options); !error.empty())
        return usageError(error);

    bool partial = false;
    const auto capture = importOrReport(options.path, partial, &options.decoding);
    if (!capture)
        return 1;

    qlm::Decryption decryption;
    prepareDecryption(decryption, options.decoding, *capture, options.path);
    qlm::FrameDissector dissector(options.columns);
    dissector.setMailBox(options.mailbox);
    configureDissector(dissector, options.decoding, decryption);
    qlm::CellRecorder cells;
    std::string line;
    const qlm::FrameStore& frames = capture->frames;
    for (int32_t index = 0; index < frames.frameCount(); ++index) {
        cells.clear();
        dissector.dissect(frames, index, cells);
        line.clear();
        if (options.format == DumpFormat::kJson)
            appendJsonLine(line, index, cells);
        else
            appendTextLine(line, cells);
        // A failed write stops the dump; main reports the error of standard output.
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size())
            break;
    }
    return partial ? 1 : 0;
}

} // namespace qlntool
