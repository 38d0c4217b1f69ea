// Where the programs keep measured values: one object store (see
// qeldb/ObjectStore.hpp) of GPtMesswert objects, shared by `vxn measure
// --save`, `vxn values` and vxn-studio's value list.
//
// rStore is the store the user named (vxn's --store): a file path or
// "sqlite:PATH" (an SQLite file), or a libpq URI "postgresql://…" (a
// PostgreSQL database several stations share; passwords from ~/.pgpass,
// PGPASSFILE or PGPASSWORD); empty means the default place.
#pragma once

#include "qeldb/ObjectStore.hpp"

#include <memory>
#include <string>

class MeasuringCondition;
class Spectrum;

namespace vxn {

// --store, else ("Store", "Location") of the configuration, else
// $XDG_DATA_HOME/QelVXN/values.db, else $HOME/.local/share/QelVXN/values.db.
std::string StorePath(const std::string& rStore);

// The store. With bCreate a missing store is created (and the folder of the
// default path with it); without, a missing store gives null with
// *pbMissing set. Null with rError naming the file when it cannot be used.
std::unique_ptr<ObjectStore> OpenValueStore(const std::string& rStore, bool bCreate, std::string& rError,
                                            bool* pbMissing = nullptr);

// The store that holds the values a command was given, before an instrument
// is touched; null with rError saying why (no store yet, or it cannot be
// used).
std::unique_ptr<ObjectStore> OpenStoreOfGivenValues(const std::string& rStore, std::string& rError);

// Keeps one measurement (its spectrum, conditions, designation and the time
// of now) as a new value; its identity in rId.
bool SaveMeasurement(ObjectStore& rStore, const Spectrum& rSpectrum, const MeasuringCondition& rCond,
                     const std::string& rName, long& rId, std::string& rError);

} // namespace vxn
