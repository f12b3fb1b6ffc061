#pragma once

#include <filesystem>
#include <string>

#include "ccx_job.h"
#include "ccx_output.h"
#include "model.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"

namespace nastranccx {

// Turns CalculiX's rows into the subcase's results as Nastran reports them, after checking
// that the run is whole and sound: one displacement and force row per grid, the expected
// stress rows per element, and equilibrium at every free translational DOF (a singular model
// solves to numbers that do not balance the loads). Throws Failure.
//
// Grids: T1-T3 from CalculiX (exactly 0 at constrained DOFs); R1-R3 are 0, as CalculiX's
// listing has no rotations. CROD: the mean over the integration points of n'Sn, n the unit
// vector G1 -> G2; no torsion, no margins. CQUAD4, CTRIA3: the in-plane stresses in the
// element coordinate system at the bottom (Z1 = -T/2) and top (Z2 = T/2) fibres, extrapolated
// linearly through the thickness from the integration points on either side of the mid-plane
// and averaged over the element. CTETRA, CHEXA: the mean stress state over the integration
// points at the centre, and at each corner the stress extrapolated from the integration
// points (CHEXA) or the one point's (CTETRA). Bars get no stress entry.
// `step` is the job's step of the subcase; `results` what CalculiX printed for it.
// Displacements (OUGV1) and SPC forces (OQG1, at the grids with a constrained DOF) are in each
// grid's CD components, as CalculiX prints them at a grid with a transform.
resultfiles::SubcaseResults makeSubcaseResults(const Model& model, const CcxJob& job, const StepJob& step,
                                               const CcxDatResults& results, const std::string& datName);

enum class ResultsFormat {
  Output2,  // Nastran OUTPUT2, the .op2 of PARAM,POST,-1
  Neutral,  // FEMAP neutral results, the .fno
};

// The results file's bytes: every subcase under its own ID (one output set each in the
// neutral file, numbered from 1).
std::string formatResultsFile(const std::vector<resultfiles::SubcaseResults>& subcases, ResultsFormat format,
                              const resultfiles::Op2Date& date);

// Writes beside the target under a temporary name and renames it over the
// target, so that a reader never sees half a file. Throws Failure.
void writeFileAtomically(const std::filesystem::path& target, const std::string& content);

}  // namespace nastranccx
