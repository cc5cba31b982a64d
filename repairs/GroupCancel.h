#pragma once

#include <string>

#include "form/FormState.h"

namespace repairs {

// Refills ListBox2 and TableNoList with the tables that carry group data.
void LoadGroupTables(form::FormState& form);
// Force-cancels the group of the selected table ("강제그룹취소").
void Button3Click(form::FormState& form);
// Reloads the grouped-table list ("검색").
void Button4Click(form::FormState& form);
// Ungroups every table of the group of tblNo; shows its own failure message.
bool CancelGroup(form::FormState& form, const std::string& tblNo);
// Writes the table-change notification of tblNo for every POS; shows its own failure message.
bool NotifyTableChange(form::FormState& form, const std::string& tblNo);

}  // namespace repairs
