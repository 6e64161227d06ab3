      *>--------------------------------------------------------------*
      *> VELDORIN - item supplementary data (table VNDADFIT).         *
      *>                                                              *
      *> COPY VELDORIN into WORKING-STORAGE, fill the key fields and  *
      *> the connection fields, then                                  *
      *>     CALL "VELDORIN" USING BY REFERENCE                       *
      *>          VELDORIN-FUNCTION-CODE  VELDORIN-ITEM-CODE          *
      *>          VELDORIN-SALES-FAMILY   VELDORIN-EXTERNAL-CODE      *
      *>          VELDORIN-BARCODE        VELDORIN-DESCRIPTION        *
      *>          VELDORIN-TRACE-FLAG     VELDORIN-DETAIL-FLAG        *
      *>          VELDORIN-ANVISA-CODE    VELDORIN-PMC-VALUE          *
      *>          VELDORIN-PMV-VALUE      VELDORIN-NET-WEIGHT         *
      *>          VELDORIN-GROSS-WEIGHT   VELDORIN-STATUS             *
      *>          VELDORIN-DATABASE-KIND  VELDORIN-ENVIRONMENT-HANDLE *
      *>          VELDORIN-CONNECTION-HANDLE                          *
      *> All seventeen, in this order. Text fields are padded with    *
      *> spaces; numbers are unsigned DISPLAY digits with an implied  *
      *> decimal point. Each field is its own level-01 item so that   *
      *> the handle fields are aligned for the module to read them.   *
      *>--------------------------------------------------------------*

      *> What to look up:
      *>   "1" every column of the item in VELDORIN-ITEM-CODE;
      *>   "2" the external code, barcode, description, trace flag,
      *>       ANVISA code, PMC and PMV of that item (blanked and
      *>       zeroed when the item is missing);
      *>   "3" the item code of VELDORIN-BARCODE, or failing that of
      *>       VELDORIN-EXTERNAL-CODE, into VELDORIN-ITEM-CODE.
       01  VELDORIN-FUNCTION-CODE        PIC X(1).
           88  VELDORIN-FULL-FETCH           VALUE "1".
           88  VELDORIN-PARTIAL-FETCH        VALUE "2".
           88  VELDORIN-RESOLVE-ITEM-CODE    VALUE "3".
      *> Our item code: the key for "1" and "2", the answer of "3".
       01  VELDORIN-ITEM-CODE            PIC X(16).
      *> Sales family of the item ("1").
       01  VELDORIN-SALES-FAMILY         PIC X(10).
      *> The item's code in the outside system: answer of "1" and
      *> "2", second key of "3".
       01  VELDORIN-EXTERNAL-CODE        PIC X(16).
      *> Barcode: answer of "1" and "2", first key of "3".
       01  VELDORIN-BARCODE              PIC X(16).
      *> Item description ("1", "2").
       01  VELDORIN-DESCRIPTION          PIC X(55).
      *> Invoice (NF-e) traceability flag, "S" or "N" ("1", "2").
       01  VELDORIN-TRACE-FLAG           PIC X(1).
      *> Special detail flag, "S" or "N" ("1").
       01  VELDORIN-DETAIL-FLAG          PIC X(1).
      *> Health agency (ANVISA) registration code ("1", "2").
       01  VELDORIN-ANVISA-CODE          PIC X(13).
      *> Maximum consumer price (PMC) and maximum sale price (PMV),
      *> two decimals ("1", "2"). A missing value reads as zero.
       01  VELDORIN-PMC-VALUE            PIC 9(10)V99.
       01  VELDORIN-PMV-VALUE            PIC 9(10)V99.
      *> Net and gross weight, three decimals ("1").
       01  VELDORIN-NET-WEIGHT           PIC 9(8)V999.
       01  VELDORIN-GROSS-WEIGHT         PIC 9(8)V999.
      *> Set by every lookup: "00000" found, "01027" no such item
      *> ("1", "2"), "02129" neither code found ("3").
       01  VELDORIN-STATUS               PIC X(5).
           88  VELDORIN-FOUND                VALUE "00000".
           88  VELDORIN-ITEM-NOT-FOUND       VALUE "01027".
           88  VELDORIN-CODES-NOT-FOUND      VALUE "02129".
      *> The database behind the connection. "SQLSERVER" makes the
      *> module ask the driver for a static cursor; any other value
      *> keeps the driver's default cursor.
       01  VELDORIN-DATABASE-KIND        PIC X(15).
           88  VELDORIN-ON-SQLSERVER         VALUE "SQLSERVER".
      *> The ODBC environment and connection handles (SQLHENV,
      *> SQLHDBC) of the connection the host opened: the handle
      *> itself, not a copy of what it points to. A POINTER is as
      *> wide as the host: 4 bytes in a 32-bit host (the original
      *> layout), 8 in a 64-bit one, whose modules are 64-bit too.
       01  VELDORIN-ENVIRONMENT-HANDLE   USAGE POINTER.
       01  VELDORIN-CONNECTION-HANDLE    USAGE POINTER.
