/* A plugin library for PluginLibraryTest: one export returning a table of version 3. */
struct TestTable {
  int version;
  const char* name;
};

static const struct TestTable kTable = {3, "test plugin"};

__attribute__((visibility("default"))) const struct TestTable* LumoraTestPluginTable(void) {
  return &kTable;
}
