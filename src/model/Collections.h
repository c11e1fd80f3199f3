// The ordered collections of the three record kinds (see ItemCollection.h for the rules).
#pragma once

#include "model/DataSource.h"
#include "model/Driver.h"
#include "model/ItemCollection.h"
#include "model/Translator.h"

namespace lumora {

struct DriversFamily {
  static constexpr const char* kItemGet = "Drivers:Item[Get]";
  static constexpr const char* kAdd = "Drivers:Add";
  static constexpr const char* kRemove = "Drivers:Remove";
  static constexpr const char* kRemoveAll = "Drivers:RemoveAll";
};
struct TranslatorsFamily {
  static constexpr const char* kItemGet = "Translators:Item[Get]";
  static constexpr const char* kAdd = "Translators:Add";
  static constexpr const char* kRemove = "Translators:Remove";
  static constexpr const char* kRemoveAll = "Translators:RemoveAll";
};
struct DataSourcesFamily {
  static constexpr const char* kItemGet = "DataSources:Item[Get]";
  static constexpr const char* kAdd = "DataSources:Add";
  static constexpr const char* kRemove = "DataSources:Remove";
  static constexpr const char* kRemoveAll = "DataSources:RemoveAll";
};

class Drivers : public ItemCollection<Driver, DriversFamily> {};
class Translators : public ItemCollection<Translator, TranslatorsFamily> {};
class DataSources : public ItemCollection<DataSource, DataSourcesFamily> {};

using DriversPtr = std::shared_ptr<Drivers>;
using TranslatorsPtr = std::shared_ptr<Translators>;
using DataSourcesPtr = std::shared_ptr<DataSources>;

}  // namespace lumora
