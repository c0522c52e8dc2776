#pragma once

#include "model/Builds.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct TDeviceSectionPlan;

// Reads the device sections back out of the .inf lines: every line with
// "[CEDevice" names one (platform, processor) target by its suffix. The
// plan the lines were written from gives the same targets without the
// round trip through the text.
class TInfParser {
public:
    // The lines are copied.
    void SetLines(std::vector<std::string> lines) { FLines = std::move(lines); }

    // Appends one pair per device section, in the order of the lines. Fails
    // with "No inf files available for parsing." when no lines were set.
    void Parse(std::vector<std::unique_ptr<TPlatformProcPair>>& pairs) const;
    // Appends one pair per section of the plan, in its order.
    static void Parse(const TDeviceSectionPlan& plan, std::vector<std::unique_ptr<TPlatformProcPair>>& pairs);

    // True when the line names a device section; suffix is then the text
    // between "[CEDevice" (and its dot) and the closing bracket.
    static bool DeviceSectionSuffix(const std::string& line, std::string& suffix);
    // The pair a suffix names; false for a code that names nothing.
    static bool SuffixToPair(const std::string& suffix, TPlatform& platform, TProcessor& processor);

private:
    std::optional<std::vector<std::string>> FLines;
};
