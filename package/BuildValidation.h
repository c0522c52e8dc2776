#pragma once

// The checks a build makes before it runs any tool, so that no package is
// made that the device or the desktop would install wrongly. Each message
// names the object at fault. Every check is linear in the number of files:
// projects can hold tens of thousands.

#include <cstdint>
#include <string>
#include <vector>

class TBuild;
class TBuildDriverCallbacks;
class TDeviceSection;
class TProject;
struct TDeviceSectionPlan;

// What one device section (the CAB file of one target) cannot hold or
// would install wrongly:
// - two different files of one name (compared as Windows does, ignoring
//   letter case) in one device folder: the device keeps only one of them.
//   The same source placed twice is no problem, it installs the same bytes;
//   in two folders the build stages each under a name of its own;
// - more files than a CAB file can number;
// - a source file that exists but cannot be read.
std::vector<std::string> CheckDeviceSection(const TDeviceSection& section);

// What every package carries beside the CAB files: a setup image the setup
// wizard cannot show (it shows bitmaps, JPEG, GIF, icons and metafiles) and
// an icon that is not a Windows icon. A picture whose file is missing is left
// out of the package as before and is no problem here.
std::vector<std::string> CheckPackagePictures(const TProject& project);
// Why the setup wizard cannot show this JPEG file ("a progressive JPEG,
// ..."), or empty when it can or the file is no JPEG. The wizard's picture
// loader decodes baseline and extended JPEG with one or three colour
// components only.
std::string JpegShowProblem(const std::string& path);

// For each build, in order, the problems that stop it: those of the device
// sections its pairs need and those of the pictures, each message once.
// A file that several sections install is read once.
std::vector<std::vector<std::string>> CheckBuilds(const TProject& project, const TDeviceSectionPlan& plan,
                                                  const std::vector<TBuild*>& builds);

// The builds of the list that pass CheckBuilds, in order. Each problem of
// the others goes to the log once, and each of them adds one failure that
// names the build and its problems.
std::vector<TBuild*> RejectFaultyBuilds(const TProject& project, const TDeviceSectionPlan& plan,
                                        const std::vector<TBuild*>& builds, TBuildDriverCallbacks& callbacks,
                                        std::vector<std::string>& failures);

// The failure of a build that its problems stop: the first few of them,
// then how many more the log holds.
std::string BuildNotMadeMessage(const TBuild& build, const std::vector<std::string>& problems);

// Raises the error of a malformed SOURCE_DATE_EPOCH: the CAB tool and the
// archive read it as well, and would otherwise fail one package after the other.
void CheckSourceDateEpoch();

// The first bytes of a file tell its kind.
bool IsShowablePicture(const std::vector<uint8_t>& head);
bool IsWindowsIcon(const std::vector<uint8_t>& head);
