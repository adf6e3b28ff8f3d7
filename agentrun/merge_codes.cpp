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

}  // namespace

std::string ProccessMergeCodes(std::vector<std::string>& bodyLines,
                               std::vector<std::string>& headerLines, const MergeSource& source,
                               const MergeServices& services) {
  std::string recipient;

  const size_t bodyCount = bodyLines.size();
  for (size_t i = 0; i < bodyCount; ++i) {
    CodeSpan span;
    if (!findCode(bodyLines[i], span)) continue;
    services.log(span.code);
    std::string value;
    if (span.code.find('~') != std::string::npos) {
      std::string command, param;
      splitCode(span.code, command, param);
      services.log("Merge Template the command is: " + command + " the param is: " + param);
      value = bodyValue(command, param, source, services);
      services.log("the result of the SYSTEM merge code was  " + value);
    }
    bodyLines[i] = rebuild(bodyLines[i], span, value);
    services.log("the newline reads  " + bodyLines[i]);
  }

  const size_t headerCount = headerLines.size();
  for (size_t i = 0; i < headerCount; ++i) {
    CodeSpan span;
    if (!findCode(headerLines[i], span)) continue;
    services.log(span.code);
    std::string value;
    if (span.code.find('~') != std::string::npos) {
      std::string command, param;
      splitCode(span.code, command, param);
      services.log("Merge Template the command is: " + command + " the param is: " + param);
      if (sys::upperAscii(command) == "REPLYFIELD") {
        const bool toLine = beginsWithNoCase(headerLines[i], "TO:") && headerLines[i].size() >= 3;
        for (const auto& line : source.bodyLines) {
          if (!beginsWithNoCase(line, param)) continue;
          const size_t eq = line.find('=');
          if (eq != std::string::npos) value = withoutLineBreaks(line.substr(eq + 1));
          if (toLine) recipient = value;
        }
      }
      services.log("the result of the REPLYFIELD merge code was  " + value);
    }
    if (!recipient.empty()) {
      headerLines[i] = withoutLineBreaks(rebuild(headerLines[i], span, value));
      services.log("the newline reads  " + headerLines[i]);
    }
  }
  return recipient;
}

}  // namespace agentrun
