-- Item master tables (MariaDB, MySQL).
--
-- The lookup modules send every key at its full field width, padded with spaces, and compare it
-- byte for byte. The key columns therefore use utf8mb4_bin, a binary collation that pads with
-- spaces (PAD SPACE): trailing spaces do not count, case and accents do.
-- - With the server's default collation (utf8mb4_general_ci and the like, case-insensitive) a
--   lowercase key would match an uppercase row.
-- - With a _nopad_ collation (utf8mb4_nopad_bin) the trailing spaces count, and no full-width
--   key matches at all.
-- `itemlookup check` reports both.
--
-- Every session must read standard string literals (sql_mode NO_BACKSLASH_ESCAPES): see
-- docs/databases.md.

CREATE TABLE IF NOT EXISTS VNDADFIT (
  ADFIT_COD_ITEM     CHAR(16) COLLATE utf8mb4_bin NOT NULL PRIMARY KEY,
  ADFIT_FAM_VENDA    CHAR(10),
  ADFIT_COD_EXTERNO  CHAR(16) COLLATE utf8mb4_bin,
  ADFIT_COD_BARRAS   CHAR(16) COLLATE utf8mb4_bin,
  ADFIT_DESCRICAO    CHAR(55),
  ADFIT_RASTRO_NFE   CHAR(1),
  ADFIT_DET_ESP      CHAR(1),
  ADFIT_COD_ANVISA   CHAR(13),
  ADFIT_VALOR_PMC    DECIMAL(12,2),
  ADFIT_VALOR_PMV    DECIMAL(12,2),
  ADFIT_PESO_LIQUIDO DECIMAL(11,3),
  ADFIT_PESO_BRUTO   DECIMAL(11,3)
) DEFAULT CHARSET=utf8mb4;
-- Item code resolution looks up by barcode first, then by external code.
CREATE INDEX IF NOT EXISTS VNDADFIT_COD_BARRAS ON VNDADFIT (ADFIT_COD_BARRAS);
CREATE INDEX IF NOT EXISTS VNDADFIT_COD_EXTERNO ON VNDADFIT (ADFIT_COD_EXTERNO);

CREATE TABLE IF NOT EXISTS VNDAITCL (
  AITCL_TIPO         CHAR(1)  COLLATE utf8mb4_bin NOT NULL,
  AITCL_CODIGO       CHAR(5)  COLLATE utf8mb4_bin NOT NULL,
  AITCL_COD_ITEM     CHAR(16) COLLATE utf8mb4_bin NOT NULL,
  AITCL_ITEM_CLIENTE CHAR(50) COLLATE utf8mb4_bin,
  AITCL_UNID_MEDIDA  CHAR(4),
  AITCL_FATOR        DECIMAL(15,7),
  AITCL_LOTE_MINIMO  DECIMAL(11,3),
  AITCL_PED_MULTIPLO DECIMAL(11,3),
  AITCL_COD_BARRAS   CHAR(16),
  AITCL_DIAS         CHAR(4),
  PRIMARY KEY (AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM)
) DEFAULT CHARSET=utf8mb4;
-- A customer's own item code leads back to our item code.
CREATE INDEX IF NOT EXISTS VNDAITCL_ITEM_CLIENTE
  ON VNDAITCL (AITCL_TIPO, AITCL_CODIGO, AITCL_ITEM_CLIENTE);
