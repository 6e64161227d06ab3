// Both modules through the real driver manager and the SQLite ODBC driver: real rows, real
// terminators and the real converter under PGMS/.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "host_fields.hpp"
#include "sqlite_connection.hpp"

namespace {

using lookup_host::MarquethFields;
using lookup_host::put;
using lookup_host::text;
using lookup_host::VeldorinFields;

constexpr char kSchema[] = R"sql(
CREATE TABLE VNDADFIT (ADFIT_COD_ITEM CHAR(16) COLLATE RTRIM PRIMARY KEY,
  ADFIT_FAM_VENDA CHAR(10), ADFIT_COD_EXTERNO CHAR(16) COLLATE RTRIM,
  ADFIT_COD_BARRAS CHAR(16) COLLATE RTRIM, ADFIT_DESCRICAO CHAR(55), ADFIT_RASTRO_NFE CHAR(1),
  ADFIT_DET_ESP CHAR(1), ADFIT_COD_ANVISA CHAR(13), ADFIT_VALOR_PMC NUMERIC(12,2),
  ADFIT_VALOR_PMV NUMERIC(12,2), ADFIT_PESO_LIQUIDO NUMERIC(11,3), ADFIT_PESO_BRUTO NUMERIC(11,3));
CREATE TABLE VNDAITCL (AITCL_TIPO CHAR(1) COLLATE RTRIM, AITCL_CODIGO CHAR(5) COLLATE RTRIM,
  AITCL_COD_ITEM CHAR(16) COLLATE RTRIM, AITCL_ITEM_CLIENTE CHAR(50) COLLATE RTRIM,
  AITCL_UNID_MEDIDA CHAR(4), AITCL_FATOR NUMERIC(15,7), AITCL_LOTE_MINIMO NUMERIC(11,3),
  AITCL_PED_MULTIPLO NUMERIC(11,3), AITCL_COD_BARRAS CHAR(16), AITCL_DIAS CHAR(4));
)sql";

template <typename Entry>
Entry load_entry(const char* path, const char* name) {
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(module, nullptr) << dlerror();
  return reinterpret_cast<Entry>(module ? dlsym(module, name) : nullptr);
}

class RealSqliteDriver : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* statement : {"CREATE TABLE VNDADFIT", "CREATE TABLE VNDAITCL"}) {
      const std::string schema = kSchema;
      const std::size_t start = schema.find(statement);
      db.execute(schema.substr(start, schema.find(';', start) - start));
    }
    db.execute(
        "INSERT INTO VNDADFIT VALUES ('A1', 'FAMILIA', 'EXT-A1', '7891000100017', "
        "'PARACETAMOL 500MG', 'S', 'N', '1001000100011', 12.34, 0.129, 1.5, 123456789.25)");
    db.execute(
        "INSERT INTO VNDADFIT VALUES ('O''NEIL', NULL, 'EXT-ONEIL', NULL, NULL, NULL, NULL, NULL, "
        "NULL, NULL, NULL, NULL)");
    db.execute(
        "INSERT INTO VNDAITCL VALUES ('C', '00042', 'A1', 'CLI-A1', 'CX', 12.34567891, 10, 2.5, "
        "'7891000100017', '30')");
  }

  template <typename Fields>
  void connect(Fields& fields, const char* function_code) {
    put(fields.function_code, function_code);
    put(fields.database_kind, "");
    fields.environment_handle = db.environment;
    fields.connection_handle = db.connection;
  }

  int call(VeldorinFields& f) {
    static auto entry = load_entry<VeldorinFields::Entry>(VELDORIN_MODULE, "VELDORIN");
    return std::apply(entry, f.addresses());
  }
  int call(MarquethFields& f) {
    static auto entry = load_entry<MarquethFields::Entry>(MARQUETH_MODULE, "MARQUETH");
    return std::apply(entry, f.addresses());
  }

  SqliteConnection db;
};

TEST_F(RealSqliteDriver, FullItemFetchReadsAndConvertsARealRow) {
  VeldorinFields f;
  connect(f, "1");
  put(f.item_code, "A1");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.status), "00000");
  EXPECT_EQ(text(f.sales_family), "FAMILIA   ");
  EXPECT_EQ(text(f.barcode), "7891000100017   ");
  EXPECT_EQ(text(f.description), "PARACETAMOL 500MG" + std::string(38, ' '));
  EXPECT_EQ(text(f.trace_flag) + text(f.detail_flag), "SN");
  EXPECT_EQ(text(f.pmc_value), "000000001234");
  EXPECT_EQ(text(f.pmv_value), "000000000012");  // 0.129: the 9 dropped, never rounded
  EXPECT_EQ(text(f.net_weight), "00000001500");
  EXPECT_EQ(text(f.gross_weight), "23456789250");  // nine integer digits: the top one lost
}

TEST_F(RealSqliteDriver, PartialFetchOfAKeyWithAnApostropheAndNullColumns) {
  VeldorinFields f;
  connect(f, "2");
  put(f.item_code, "O'NEIL");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.status), "00000");
  EXPECT_EQ(text(f.external_code), "EXT-ONEIL       ");
  EXPECT_EQ(text(f.barcode), std::string(16, ' '));
  EXPECT_EQ(text(f.description), std::string(55, ' '));
  EXPECT_EQ(text(f.pmc_value) + text(f.pmv_value), std::string(24, '0'));
  EXPECT_EQ(f.changed_fields(), (std::vector<std::string>{
                                    "function_code", "item_code", "external_code", "barcode",
                                    "description", "trace_flag", "anvisa_code", "pmc_value",
                                    "pmv_value", "status", "database_kind", "environment_handle",
                                    "connection_handle"}));
}

TEST_F(RealSqliteDriver, ResolutionFallsBackToTheExternalCode) {
  VeldorinFields f;
  connect(f, "3");
  put(f.barcode, "0000000000000");
  put(f.external_code, "EXT-ONEIL");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.status), "00000");
  EXPECT_EQ(text(f.item_code), "O'NEIL          ");

  put(f.barcode, "7891000100017");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.item_code), "A1              ");
}

TEST_F(RealSqliteDriver, CustomerItemFetchReadsAndConvertsARealRow) {
  MarquethFields f;
  connect(f, "1");
  put(f.customer_kind, "C");
  put(f.customer_code, "00042");
  put(f.item_code, "A1");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.customer_item_code), "CLI-A1" + std::string(44, ' '));
  EXPECT_EQ(text(f.unit), "CX  ");
  EXPECT_EQ(text(f.factor), "000000123456789");  // eight decimals, seven kept
  EXPECT_EQ(text(f.minimum_lot), "00000010000");
  EXPECT_EQ(text(f.order_multiple), "00000002500");
  EXPECT_EQ(text(f.barcode), "7891000100017   ");
  EXPECT_EQ(text(f.days), "0030");
  EXPECT_EQ(f.status[0], MarquethFields().status[0]);  // the host's status is left alone
}

TEST_F(RealSqliteDriver, CustomerOperationsTwoThreeAndFour) {
  MarquethFields f;
  connect(f, "2");
  put(f.customer_kind, "C");
  put(f.customer_code, "00042");
  put(f.customer_item_code, "CLI-A1");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.item_code), "A1              ");

  put(f.function_code, "3");
  put(f.customer_item_code, "");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.customer_item_code), "CLI-A1" + std::string(44, ' '));
  EXPECT_EQ(text(f.barcode), "7891000100017   ");

  put(f.function_code, "4");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.unit), "CX  ");
  EXPECT_EQ(text(f.factor), "000000123456789");

  put(f.item_code, "NOPE");
  put(f.status, "00000");
  EXPECT_EQ(call(f), 0);
  EXPECT_EQ(text(f.status), "00003");
}

TEST_F(RealSqliteDriver, StaticCursorForSqlServerKindChangesNoResult) {
  VeldorinFields f;
  connect(f, "1");
  put(f.database_kind, LOOKUP_DATABASE_KIND_SQLSERVER);
  put(f.item_code, "A1");
  call(f);
  EXPECT_EQ(text(f.status), "00000");
  EXPECT_EQ(text(f.pmc_value), "000000001234");
}

}  // namespace
