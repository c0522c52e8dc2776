#include "package/InfParser.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "package/DeviceSectionPlan.h"

namespace {
const std::string DeviceSectionMark = "[CEDevice";
}

bool TInfParser::DeviceSectionSuffix(const std::string& line, std::string& suffix)
{
    size_t at = line.find(DeviceSectionMark);
    if (at == std::string::npos)
        return false;
    // Read from the mark to its bracket, so blanks before the head or a
    // comment after it do not become part of the suffix.
    size_t start = at + DeviceSectionMark.size();
    if (start < line.size() && line[start] == '.')
        ++start;
    size_t close = line.find(']', start);
    suffix = close == std::string::npos ? line.substr(start) : line.substr(start, close - start);
    return true;
}

bool TInfParser::SuffixToPair(const std::string& suffix, TPlatform& platform, TProcessor& processor)
{
    platform = plAll;
    processor = pAll;
    if (suffix.empty())
        return true;
    size_t underscore = suffix.find('_');
    if (underscore != std::string::npos)
        return CodeToPlatform(suffix.substr(0, underscore), platform) &&
               CodeToProcessor(suffix.substr(underscore + 1), processor);
    if (CodeToPlatform(suffix, platform))
        return true;
    platform = plAll;
    return CodeToProcessor(suffix, processor);
}

void TInfParser::Parse(std::vector<std::unique_ptr<TPlatformProcPair>>& pairs) const
{
    if (!FLines)
        throw Exception("No inf files available for parsing.");
    for (const auto& line : *FLines) {
        std::string suffix;
        if (!DeviceSectionSuffix(line, suffix))
            continue;
        TPlatform platform;
        TProcessor processor;
        if (SuffixToPair(suffix, platform, processor))
            pairs.push_back(std::make_unique<TPlatformProcPair>(platform, processor));
        else
            DebugTrace("TInfParser: unknown device section suffix " + suffix);
    }
}

void TInfParser::Parse(const TDeviceSectionPlan& plan, std::vector<std::unique_ptr<TPlatformProcPair>>& pairs)
{
    for (const auto& section : plan.FDeviceSections)
        pairs.push_back(std::make_unique<TPlatformProcPair>(section->Platform(), section->Processor()));
}
