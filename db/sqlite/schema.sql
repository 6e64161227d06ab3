-- Item master tables for the embedded demo database (SQLite).
--
-- The lookup modules send every key at its full field width, padded with spaces. On a server
-- the CHAR columns ignore trailing spaces when comparing; here COLLATE RTRIM on each key column
-- (and so on its index) gives the same matches.
--
-- NUMERIC columns have numeric affinity: the ODBC driver hands them back as the shortest text
-- of the stored value ("12.3", "25", "1.0e-07"), never padded to the declared scale. The numeric
-- text converter reads all of these forms.

CREATE TABLE IF NOT EXISTS VNDADFIT (
  ADFIT_COD_ITEM     CHAR(16) COLLATE RTRIM NOT NULL PRIMARY KEY,
  ADFIT_FAM_VENDA    CHAR(10),
  ADFIT_COD_EXTERNO  CHAR(16) COLLATE RTRIM,
  ADFIT_COD_BARRAS   CHAR(16) COLLATE RTRIM,
  ADFIT_DESCRICAO    CHAR(55),
  ADFIT_RASTRO_NFE   CHAR(1),
  ADFIT_DET_ESP      CHAR(1),
  ADFIT_COD_ANVISA   CHAR(13),
  ADFIT_VALOR_PMC    NUMERIC(12,2),
  ADFIT_VALOR_PMV    NUMERIC(12,2),
  ADFIT_PESO_LIQUIDO NUMERIC(11,3),
  ADFIT_PESO_BRUTO   NUMERIC(11,3)
);
-- Item code resolution looks up by barcode first, then by external code.
CREATE INDEX IF NOT EXISTS VNDADFIT_COD_BARRAS ON VNDADFIT (ADFIT_COD_BARRAS);
CREATE INDEX IF NOT EXISTS VNDADFIT_COD_EXTERNO ON VNDADFIT (ADFIT_COD_EXTERNO);

CREATE TABLE IF NOT EXISTS VNDAITCL (
  AITCL_TIPO         CHAR(1)  COLLATE RTRIM NOT NULL,
  AITCL_CODIGO       CHAR(5)  COLLATE RTRIM NOT NULL,
  AITCL_COD_ITEM     CHAR(16) COLLATE RTRIM NOT NULL,
  AITCL_ITEM_CLIENTE CHAR(50) COLLATE RTRIM,
  AITCL_UNID_MEDIDA  CHAR(4),
  AITCL_FATOR        NUMERIC(15,7),
  AITCL_LOTE_MINIMO  NUMERIC(11,3),
  AITCL_PED_MULTIPLO NUMERIC(11,3),
  AITCL_COD_BARRAS   CHAR(16),
  AITCL_DIAS         CHAR(4),
  PRIMARY KEY (AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM)
);
-- A customer's own item code leads back to our item code.
CREATE INDEX IF NOT EXISTS VNDAITCL_ITEM_CLIENTE
  ON VNDAITCL (AITCL_TIPO, AITCL_CODIGO, AITCL_ITEM_CLIENTE);
