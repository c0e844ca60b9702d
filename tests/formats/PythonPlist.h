#pragma once

// Property lists written by an independent writer, Python's plistlib, for the readers of the
// older document.

#include "ArchiveTestSupport.h"
#include "support/TempDir.h"

#include <optional>
#include <string>
#include <vector>

namespace plisttest {

enum class PlistForm { Xml, Binary };

inline const char* formName(PlistForm form)
{
    return form == PlistForm::Xml ? "XML" : "binary";
}

// The bytes plistlib writes for a Python expression (a dict literal, with INT64_MAX at hand);
// nothing when python3 is missing or the expression does not run.
inline std::optional<std::vector<uint8_t>> pythonPlist(const std::string& expression, PlistForm form)
{
    if (!ArchiveTest::toolAvailable(ArchiveTest::PythonTool)) return std::nullopt;
    TempDir folder;
    const std::string path = folder.file("document.plist");
    const std::string script = "import plistlib, sys\nINT64_MAX = 2**63 - 1\nvalue = " + expression +
        "\nopen(sys.argv[1], 'wb').write(plistlib.dumps(value, fmt=plistlib." +
        (form == PlistForm::Xml ? "FMT_XML" : "FMT_BINARY") + "))\n";
    writeTestFile(folder.file("write.py"), script);
    ArchiveTest::CommandResult result = ArchiveTest::runCommand(std::string(ArchiveTest::PythonTool) + " " +
                                                                ArchiveTest::shellQuoted(folder.file("write.py")) +
                                                                " " + ArchiveTest::shellQuoted(path));
    if (result.status != 0) return std::nullopt;
    return ArchiveTest::readBytes(path);
}

} // namespace plisttest
