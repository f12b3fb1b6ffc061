#include "runtime/file_formats.h"

#include <algorithm>
#include <array>

namespace runtime {
namespace {

// How a format's call is made: most take a format number and the path; the model file and
// the neutral files have argument lists of their own.
enum class Arguments { FormatAndPath, OpenModelFile, NeutralModel, NeutralResults };

struct Format {
  std::string_view tag;
  std::string_view member;
  int format;
  Arguments arguments;
};

constexpr std::array kReferenceFormats{
    Format{"(FEMAP)", "feFileOpen", 0, Arguments::OpenModelFile},
    Format{"(FEMAPNeutral)", "feFileReadNeutral", 0, Arguments::NeutralModel},
    Format{"(NastranMSC)", "feFileReadNastran", 0, Arguments::FormatAndPath},
    Format{"(NastranNE)", "feFileReadNastran", 1, Arguments::FormatAndPath},
    Format{"(NastranUAI)", "feFileReadNastran", 2, Arguments::FormatAndPath},
    Format{"(NastranCSA)", "feFileReadNastran", 3, Arguments::FormatAndPath},
    Format{"(NastranSSS)", "feFileReadNastran", 4, Arguments::FormatAndPath},
    Format{"(NastranCosmic)", "feFileReadNastran", 5, Arguments::FormatAndPath},
    Format{"(NastranME)", "feFileReadNastran", 6, Arguments::FormatAndPath},
    Format{"(NastranVR)", "feFileReadNastran", 7, Arguments::FormatAndPath},
    Format{"(NastranNX)", "feFileReadNastran", 8, Arguments::FormatAndPath},
    Format{"(Ansys4)", "feFileReadAnsys", 4, Arguments::FormatAndPath},
    Format{"(Ansys5)", "feFileReadAnsys", 5, Arguments::FormatAndPath},
    Format{"(Marc)", "feFileReadMarc", 1, Arguments::FormatAndPath},
    Format{"(Dyna)", "feFileReadDyna", 1, Arguments::FormatAndPath},
    Format{"(AbaqusINP)", "feFileReadAbaqus", 0, Arguments::FormatAndPath},
    Format{"(AbaqusFIL)", "feFileReadAbaqus", 1, Arguments::FormatAndPath},
};

constexpr std::array kDeckFormats{
    Format{"(NastranMSC)", "feFileWriteNastran", 0, Arguments::FormatAndPath},
    Format{"(NastranNE)", "feFileWriteNastran", 1, Arguments::FormatAndPath},
    Format{"(NastranUAI)", "feFileWriteNastran", 2, Arguments::FormatAndPath},
    Format{"(NastranCSA)", "feFileWriteNastran", 3, Arguments::FormatAndPath},
    Format{"(NastranSSS)", "feFileWriteNastran", 4, Arguments::FormatAndPath},
    Format{"(NastranCosmic)", "feFileWriteNastran", 5, Arguments::FormatAndPath},
    Format{"(NastranME)", "feFileWriteNastran", 6, Arguments::FormatAndPath},
    Format{"(NastranVR)", "feFileWriteNastran", 7, Arguments::FormatAndPath},
    Format{"(NastranNX)", "feFileWriteNastran", 8, Arguments::FormatAndPath},
    Format{"(Abaqus)", "feFileWriteAbaqus", 0, Arguments::FormatAndPath},
    Format{"(Ansys)", "feFileWriteAnsys", 0, Arguments::FormatAndPath},
    Format{"(Marc)", "feFileWriteMarc", 0, Arguments::FormatAndPath},
    Format{"(Dyna)", "feFileWriteDyna", 0, Arguments::FormatAndPath},
};

// The first results tag is "(NastranMCS)", unlike the reference table's "(NastranMSC)". The NE
// results file is a neutral file read with its results switches set.
constexpr std::array kResultsFormats{
    Format{"(NastranMCS)", "feFileReadNastranResults", 0, Arguments::FormatAndPath},
    Format{"(NastranNE)", "feFileReadNeutral", 0, Arguments::NeutralResults},
    Format{"(NastranUAI)", "feFileReadNastranResults", 2, Arguments::FormatAndPath},
    Format{"(NastranCSA)", "feFileReadNastranResults", 3, Arguments::FormatAndPath},
    Format{"(NastranSSS)", "feFileReadNastranResults", 4, Arguments::FormatAndPath},
    Format{"(NastranCosmic)", "feFileReadNastranResults", 5, Arguments::FormatAndPath},
    Format{"(NastranME)", "feFileReadNastranResults", 6, Arguments::FormatAndPath},
    Format{"(NastranVR)", "feFileReadNastranResults", 7, Arguments::FormatAndPath},
    Format{"(NastranNX)", "feFileReadNastranResults", 8, Arguments::FormatAndPath},
    Format{"(Ansys)", "feFileReadAnsysResults", 1, Arguments::FormatAndPath},
    Format{"(Abaqus)", "feFileReadAbaqusResults", 1, Arguments::FormatAndPath},
    Format{"(Dyna)", "feFileReadDynaResults", 1, Arguments::FormatAndPath},
    Format{"(Marc)", "feFileReadMarcResults", 1, Arguments::FormatAndPath},
};

template <std::size_t N>
std::optional<int> callFormat(const std::array<Format, N>& formats, const femap::Application& femap,
                              std::string_view tag, const std::string& path) {
  auto found = std::find_if(formats.begin(), formats.end(),
                            [&](const Format& format) { return format.tag == tag; });
  if (found == formats.end()) return std::nullopt;
  const femap::Object& application = femap.object();
  switch (found->arguments) {
    case Arguments::OpenModelFile:
      return application.call(found->member, false, path).asInt();
    case Arguments::NeutralModel:
      return application.call(found->member, false, path, false, false, false, false, false)
          .asInt();
    case Arguments::NeutralResults:
      return application.call(found->member, 0, path, false, false, true, true, 0).asInt();
    case Arguments::FormatAndPath:
      break;
  }
  return application.call(found->member, found->format, path).asInt();
}

}  // namespace

std::optional<int> readReferenceModel(const femap::Application& femap, std::string_view tag,
                                      const std::string& path) {
  return callFormat(kReferenceFormats, femap, tag, path);
}

std::optional<int> writeInputDeck(const femap::Application& femap, std::string_view tag,
                                  const std::string& path) {
  return callFormat(kDeckFormats, femap, tag, path);
}

std::optional<int> readResultsFile(const femap::Application& femap, std::string_view tag,
                                   const std::string& path) {
  return callFormat(kResultsFormats, femap, tag, path);
}

}  // namespace runtime
