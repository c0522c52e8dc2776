#pragma once

// The usual console table, and each benchmark's real time by its function
// name, for the ratio a benchmark prints after the table: the mean where it
// runs repeated (aggregates follow their runs), else its single run.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class TTimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs)
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name == "mean")
                FTimes[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    // 0 for a benchmark that did not run.
    double Time(const std::string& function) const
    {
        auto found = FTimes.find(function);
        return found == FTimes.end() ? 0 : found->second;
    }

private:
    std::map<std::string, double> FTimes;
};
