      *>--------------------------------------------------------------*
      *> MARQUETH - customer item cross-reference (table VNDAITCL).   *
      *>                                                              *
      *> COPY MARQUETH into WORKING-STORAGE, fill the key fields and  *
      *> the connection fields, then                                  *
      *>     CALL "MARQUETH" USING BY REFERENCE                       *
      *>          MARQUETH-FUNCTION-CODE  MARQUETH-CUSTOMER-KIND      *
      *>          MARQUETH-CUSTOMER-CODE  MARQUETH-ITEM-CODE          *
      *>          MARQUETH-CUSTOMER-ITEM-CODE                         *
      *>          MARQUETH-UNIT           MARQUETH-FACTOR             *
      *>          MARQUETH-MINIMUM-LOT    MARQUETH-ORDER-MULTIPLE     *
      *>          MARQUETH-BARCODE        MARQUETH-DAYS               *
      *>          MARQUETH-STATUS         MARQUETH-DATABASE-KIND      *
      *>          MARQUETH-ENVIRONMENT-HANDLE                         *
      *>          MARQUETH-CONNECTION-HANDLE                          *
      *> All fifteen, in this order. Text fields are padded with      *
      *> spaces; numbers are unsigned DISPLAY digits with an implied  *
      *> decimal point. Each field is its own level-01 item so that   *
      *> the handle fields are aligned for the module to read them.   *
      *>--------------------------------------------------------------*

      *> What to look up, always for one customer (kind and code):
      *>   "1" the whole cross-reference row of MARQUETH-ITEM-CODE;
      *>   "2" our item code for MARQUETH-CUSTOMER-ITEM-CODE, into
      *>       MARQUETH-ITEM-CODE;
      *>   "3" the customer's item code and the barcode of the item
      *>       (both blanked when there is no row);
      *>   "4" the unit of measure and the factor of the item.
       01  MARQUETH-FUNCTION-CODE        PIC X(1).
           88  MARQUETH-CUSTOMER-ITEM-FETCH  VALUE "1".
           88  MARQUETH-RESOLVE-ITEM-CODE    VALUE "2".
           88  MARQUETH-CODES-FETCH          VALUE "3".
           88  MARQUETH-UNIT-FETCH           VALUE "4".
      *> Customer kind (one letter, e.g. "C") and customer code: part
      *> of the key of every lookup.
       01  MARQUETH-CUSTOMER-KIND        PIC X(1).
       01  MARQUETH-CUSTOMER-CODE        PIC 9(5).
      *> Our item code: key of "1", "3", "4", answer of "2".
       01  MARQUETH-ITEM-CODE            PIC X(16).
      *> The customer's own code for the item: key of "2", answer of
      *> "1" and "3".
       01  MARQUETH-CUSTOMER-ITEM-CODE   PIC X(50).
      *> The customer's unit of measure ("1", "4").
       01  MARQUETH-UNIT                 PIC X(4).
      *> Our units in one customer unit, seven decimals ("1", "4").
       01  MARQUETH-FACTOR               PIC 9(8)V9(7).
      *> Minimum lot and order multiple, three decimals ("1").
       01  MARQUETH-MINIMUM-LOT          PIC 9(8)V999.
       01  MARQUETH-ORDER-MULTIPLE       PIC 9(8)V999.
      *> The customer's barcode for the item ("1", "3").
       01  MARQUETH-BARCODE              PIC X(16).
      *> Delivery days, right-aligned with leading zeros ("1").
       01  MARQUETH-DAYS                 PIC 9(4).
      *> Written only when no row is found: "00003" ("1", "3", "4")
      *> or "02129" ("2"). A found row leaves it as the host set it,
      *> so move spaces (or zeros) to it before each call.
       01  MARQUETH-STATUS               PIC X(5).
           88  MARQUETH-NOT-FOUND            VALUE "00003".
           88  MARQUETH-CODES-NOT-FOUND      VALUE "02129".
      *> The database behind the connection. "SQLSERVER" makes the
      *> module ask the driver for a static cursor; any other value
      *> keeps the driver's default cursor.
       01  MARQUETH-DATABASE-KIND        PIC X(15).
           88  MARQUETH-ON-SQLSERVER         VALUE "SQLSERVER".
      *> The ODBC environment and connection handles (SQLHENV,
      *> SQLHDBC) of the connection the host opened: the handle
      *> itself, not a copy of what it points to. A POINTER is as
      *> wide as the host: 4 bytes in a 32-bit host (the original
      *> layout), 8 in a 64-bit one, whose modules are 64-bit too.
       01  MARQUETH-ENVIRONMENT-HANDLE   USAGE POINTER.
       01  MARQUETH-CONNECTION-HANDLE    USAGE POINTER.
