#include "agentrun/merge_codes.h"

#include "platform/system/text.h"

namespace agentrun {
namespace {

struct CodeSpan {
  size_t open = 0;   // position of "<<"
  size_t close = 0;  // position of ">>"
  std::string code;
};

// The first "<<" and the first ">>" of the line; false when either is missing.
bool findCode(const std::string& line, CodeSpan& span) {
  span.open = line.find("<<");
  if (span.open == std::string::npos) return false;
  span.close = line.find(">>");
  if (span.close == std::string::npos) return false;
  span.code = span.close >= span.open + 2 ? line.substr(span.open + 2, span.close - span.open - 2)
                                          : std::string();
  return true;
}

std::string rebuild(const std::string& line, const CodeSpan& span, const std::string& value) {
  return line.substr(0, span.open) + (value.empty() ? std::string(kNoValue) : value) +
         line.substr(span.close + 2);
}

bool beginsWithNoCase(std::string_view text, std::string_view start) {
  return sys::upperAscii(text.substr(0, start.size())) == sys::upperAscii(start);
}

std::string withoutLineBreaks(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

std::string replyField(const std::string& label, const std::vector<std::string>& body) {
  std::string value;
  for (const auto& line : body) {
    if (!beginsWithNoCase(line, label)) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    value = line.substr(eq + 1, line.size() - label.size());
  }
  return value;
}

std::string bodyText(const std::vector<std::string>& body) {
  std::string text;
  for (size_t i = 0; i < body.size(); ++i) {
    if (i) text += "\r\n";
    text += body[i];
  }
  if (sys::utf8Length(text) > 4000) text = sys::utf8Left(text, 3000);
  return text;
}

std::string systemValue(const std::string& param, const MergeServices& services,
                        const MergeSource& source) {
  const std::string p = sys::upperAscii(param);
  if (p == "DATETIME" || p == "TIME") return services.dateTimeText();
  if (p == "DATE") return services.dateText();
  if (p == "CURRENTNODE") return source.accountName;
  if (p == "CURRENTNODEADDRESS") return source.accountAddress;
  if (p == "VERSION") return kVersionText;
  if (p.substr(0, 14) == "FORMATDATETIME") {
    const size_t paren = param.find('(');
    if (paren == std::string::npos) {
      services.log(
          "The FORMATDATETIME command is missing paramaters, please see the documentation on how "
          "to use this merge code");
      return {};
    }
    const size_t length = param.size() >= 16 ? param.size() - 16 : 0;
    const std::string format = param.substr(paren + 1, length);
    services.log("Formatting date time according to " + format);
    return services.formatNow(format);
  }
  return {};
}

std::string bodyValue(const std::string& command, const std::string& param,
                      const MergeSource& source, const MergeServices& services) {
  const std::string c = sys::upperAscii(command);
  if (c == "REPLYHEADER") {
    const std::string p = sys::upperAscii(param);
    if (p == "FROMNAME") return source.fromName;
    if (p == "FROMADDRESS") return source.fromAddress;
    if (p == "BODY") return bodyText(source.bodyLines);
    return source.headerValue(param);
  }
  if (c == "REPLYFIELD") return replyField(param, source.bodyLines);
  if (c == "SYSTEM") return systemValue(param, services, source);
  return {};  // EXPRESSION, SCRIPTCOMMAND, SCRIPT and unknown commands: no value
}

void splitCode(const std::string& code, std::string& command, std::string& param) {
  const size_t tilde = code.find('~');
  command = code.substr(0, tilde);
  param = code.substr(tilde + 1);
}

// One line's code: finds it, logs it and, when it has a "~", splits and
// logs its command and parameter. False when the line holds no code.
struct LineCode {
  CodeSpan span;
  bool hasCommand = false;
  std::string command, param;
};
bool readLineCode(const std::string& line, const MergeServices& services, LineCode& out) {
  if (!findCode(line, out.span)) return false;
  services.log(out.span.code);
  out.hasCommand = out.span.code.find('~') != std::string::npos;
  if (out.hasCommand) {
    splitCode(out.span.code, out.command, out.param);
    services.log("Merge Template the command is: " + out.command + " the param is: " + out.param);
  }
  return true;
}

}  // namespace

std::string ProccessMergeCodes(std::vector<std::string>& bodyLines,
                               std::vector<std::string>& headerLines, const MergeSource& source,
                               const MergeServices& services) {
  std::string recipient;

  const size_t bodyCount = bodyLines.size();
  for (size_t i = 0; i < bodyCount; ++i) {
    LineCode code;
    if (!readLineCode(bodyLines[i], services, code)) continue;
    std::string value;
    if (code.hasCommand) {
      value = bodyValue(code.command, code.param, source, services);
      services.log("the result of the SYSTEM merge code was  " + value);
    }
    bodyLines[i] = rebuild(bodyLines[i], code.span, value);
    services.log("the newline reads  " + bodyLines[i]);
  }

  const size_t headerCount = headerLines.size();
  for (size_t i = 0; i < headerCount; ++i) {
    LineCode code;
    if (!readLineCode(headerLines[i], services, code)) continue;
    std::string value;
    if (code.hasCommand) {
      // Header lines evaluate REPLYFIELD only; in a "To:" line it chooses the recipient.
      if (sys::upperAscii(code.command) == "REPLYFIELD") {
        const bool toLine = headerLines[i].size() >= 3 && beginsWithNoCase(headerLines[i], "TO:");
        for (const auto& line : source.bodyLines) {
          if (!beginsWithNoCase(line, code.param)) continue;
          const size_t eq = line.find('=');
          if (eq != std::string::npos) value = withoutLineBreaks(line.substr(eq + 1));
          if (toLine) recipient = value;
        }
      }
      services.log("the result of the REPLYFIELD merge code was  " + value);
    }
    if (!recipient.empty()) {
      headerLines[i] = withoutLineBreaks(rebuild(headerLines[i], code.span, value));
      services.log("the newline reads  " + headerLines[i]);
    }
  }
  return recipient;
}

}  // namespace agentrun
