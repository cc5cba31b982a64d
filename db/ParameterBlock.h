#pragma once

#include <string>
#include <vector>

namespace db {

// Builds the attachment parameter block from "name=value" lines. The name is the text before
// the first "=", compared in lower case after dropping a leading "isc_dpb_"; the value is the
// rest of the line. The block starts with isc_dpb_version1; text items carry their bytes,
// numeric items a 4-byte integer. Throws DbError "DPB Constant (name) is unknown" for a name
// outside the published vocabulary.
std::string BuildParameterBlock(const std::vector<std::string>& lines);

}  // namespace db
