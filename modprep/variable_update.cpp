#include "modprep/variable_update.h"

#include "exchange/vocabulary.h"
#include "femap/return_codes.h"
#include "support/number_text.h"

namespace modprep {
namespace {

using exchange::fitsInt16;
using exchange::VariableRecord;
using support::formatInteger;
using support::formatNumber;

// The entity ID as the log shows it: the number read, or the text when it does not fit.
std::string entityNumText(const VariableRecord& record) {
  return fitsInt16(record.entityId) ? formatInteger(record.entityId) : record.entityIdText;
}

}  // namespace

VariableUpdater::VariableUpdater(runtime::Run& run, const exchange::InputValues& values,
                                 LoadUpdater& loads)
    : run_(run), values_(values), loads_(loads) {}

long VariableUpdater::SearchArray(std::string_view name) {
  run_.CheckError("At the start of SearchArray");
  const long k = values_.find(name, expectedIndex_);
  if (k >= 0) expectedIndex_ = static_cast<std::size_t>(k) + 1;
  run_.CheckError("At the end of SearchArray");
  return k;
}

bool VariableUpdater::inRange(const VariableRecord& record) {
  if (!fitsInt16(record.entityId)) {
    run_.error("  Variable " + record.name + " not applied: entity ID " + record.entityIdText +
               " is outside the range -32768 to 32767");
    return false;
  }
  if (!fitsInt16(record.index)) {
    run_.error("  Variable " + record.name + " not applied: index " + record.indexText +
               " is outside the range -32768 to 32767");
    return false;
  }
  return true;
}

void VariableUpdater::apply(const VariableRecord& record) {
  if (record.name.empty()) return;
  // A function's points come from the functions file.
  if (record.entityType == exchange::kFunctionWord) return;
  run_.log("Reading and performing update for variable Name = " + record.name +
           " Entity Type = " + record.entityType + " Type id = " + record.member +
           " Entity Num = " + entityNumText(record));
  if (!inRange(record)) return;

  const long k = SearchArray(record.name);
  if (k == -1) {
    run_.error("  There is no new value specified for: " + record.name);
    run_.message("There is no new value specified for" + record.name);
    return;
  }
  const auto value = values_.variableValue(static_cast<std::size_t>(k));
  if (!value) {
    run_.error("  Variable " + record.name + " not applied: its value \"" +
               values_.valueText(static_cast<std::size_t>(k)) + "\" is not a number");
    return;
  }

  if (exchange::isLoadKind(record.entityType)) {
    run_.CheckError("Before calling update for load definition: " + record.name +
                    " value= " + formatNumber(*value) + " Argument=" + formatInteger(record.index));
    loads_.UpdateLoadDefinition(record.name, formatInteger(record.entityId), record.entityType,
                                *value, static_cast<std::int16_t>(record.index));
    return;
  }
  applyToEntity(record, *value);
}

void VariableUpdater::applyToEntity(const VariableRecord& record, double value) {
  support::Err& err = run_.err;
  const femap::Application& femap = run_.femap();
  if (!record.entityType.empty() && !exchange::isEntityKind(record.entityType)) {
    run_.error("  Variable " + record.name + " not applied: \"" + record.entityType +
               "\" is not an entity type");
    entity_ = femap::Object();
    run_.fail();
    return;
  }
  if (!record.entityType.empty()) {
    // A fresh object of the record's kind. When FEMAP has none of that kind, the previous
    // record's object must not stand in for it.
    auto fresh = err.run([&] { return femap.create(record.entityType); });
    entity_ = fresh ? *fresh : femap::Object();
    if (!fresh) {
      run_.fail();
      return;
    }
  }
  const auto id = static_cast<std::int16_t>(record.entityId);
  const auto exists = err.run([&] { return entity_.call("Exist", id).asBool(); });
  if (!exists) {
    run_.fail();
    return;
  }
  if (!*exists) {
    std::string missing = record.entityType + " number " + formatInteger(id) + " doesn't exist";
    run_.error(missing);
    run_.message(missing);
    return;
  }

  const auto got = err.run([&] { return entity_.call("Get", id).asInt(); });
  if (!got || *got != femap::kOk) {
    run_.fail();
    return;
  }
  if (!record.member.empty()) {
    const bool assigned =
        record.index == -1 ? err.run([&] { entity_.put(record.member, value); }) : err.run([&] {
          entity_.put(record.member, static_cast<std::int16_t>(record.index), value);
        });
    if (!assigned) run_.fail();
  }
  const auto stored = err.run([&] { return entity_.call("Put", id).asInt(); });
  if (!stored || *stored != femap::kOk) run_.fail();
}

}  // namespace modprep
