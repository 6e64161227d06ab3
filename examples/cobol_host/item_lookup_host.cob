      *>--------------------------------------------------------------*
      *> ITEMHOST - an example COBOL host of the item lookup modules. *
      *>                                                              *
      *> Opens its own ODBC connection, looks up one demo item with   *
      *> VELDORIN and its cross-reference with MARQUETH, shows what   *
      *> came back, and disconnects.                                  *
      *>                                                              *
      *> Usage: itemhost [connection-string]                          *
      *>   Without an argument the connection string is taken from    *
      *>   the environment variable ITEM_LOOKUP_CONNECT, e.g.         *
      *>   DRIVER=SQLite3;Database=/tmp/demo.db;                      *
      *>                                                              *
      *> Linking and loading:                                         *
      *>   The ODBC driver manager is linked in at build time (CALL   *
      *>   STATIC, cobc -x ... -lodbc): it is a system library.       *
      *>   VELDORIN and MARQUETH are plain dynamic CALLs, resolved at *
      *>   run time by the COBOL runtime from COB_LIBRARY_PATH (one   *
      *>   VELDORIN.so / MARQUETH.so per called program), the way     *
      *>   called subprograms are deployed in a COBOL shop: a new     *
      *>   module version goes live without relinking any host.       *
      *>   Run it with COB_LIBRARY_PATH naming the module folder      *
      *>   (build/lib, or <prefix>/lib/item-lookup once installed).   *
      *>   The modules load PGMS/SOLVAKE.so and PGMS/TARNIVEL.so from *
      *>   the current directory, failing that from their own folder, *
      *>   so the host runs from any directory.                       *
      *>--------------------------------------------------------------*
       IDENTIFICATION DIVISION.
       PROGRAM-ID. ITEMHOST.

       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY VELDORIN.
       COPY MARQUETH.

      *> ODBC constants (sql.h, sqlext.h).
       01  SQL-HANDLE-ENV               USAGE BINARY-LONG VALUE 1.
       01  SQL-HANDLE-DBC               USAGE BINARY-LONG VALUE 2.
       01  SQL-ATTR-ODBC-VERSION        USAGE BINARY-LONG VALUE 200.
      *> SQLSetEnvAttr takes the version as a pointer-sized value.
       01  SQL-OV-ODBC3                 USAGE BINARY-C-LONG VALUE 3.
       01  SQL-DRIVER-NOPROMPT          USAGE BINARY-LONG VALUE 0.
       01  SQL-NULL-HANDLE              USAGE POINTER VALUE NULL.

      *> The connection this host owns.
       01  HOST-ENVIRONMENT-HANDLE      USAGE POINTER VALUE NULL.
       01  HOST-CONNECTION-HANDLE       USAGE POINTER VALUE NULL.
       01  ODBC-RESULT                  USAGE BINARY-LONG.
           88  ODBC-SUCCEEDED               VALUE 0 1.
       01  CONNECT-STRING               PIC X(1000).
       01  CONNECT-LENGTH               USAGE BINARY-LONG.

      *> The modules write keys as standard SQL literals: the session
      *> must read a backslash as an ordinary character. Engines that
      *> can read it otherwise are told so right after connecting.
       01  SQL-HANDLE-STMT              USAGE BINARY-LONG VALUE 3.
       01  SQL-DBMS-NAME                USAGE BINARY-LONG VALUE 17.
       01  SQL-NTS                      USAGE BINARY-LONG VALUE -3.
       01  DBMS-NAME                    PIC X(64).
       01  DBMS-NAME-LENGTH             USAGE BINARY-SHORT.
       01  SESSION-STATEMENT            PIC X(80).
       01  SESSION-STATEMENT-HANDLE     USAGE POINTER VALUE NULL.

      *> What a lookup module handed back.
       01  LOOKUP-RESULT                USAGE BINARY-LONG.

      *> Numbers shown with their decimal point.
       01  SHOW-PRICE                   PIC Z(9)9.99.
       01  SHOW-WEIGHT                  PIC Z(7)9.999.
       01  SHOW-FACTOR                  PIC Z(7)9.9(7).

       PROCEDURE DIVISION.
       MAIN-LINE.
           PERFORM CONNECT-TO-DATABASE
           PERFORM SHOW-ITEM
           PERFORM RESOLVE-BARCODE
           PERFORM SHOW-CUSTOMER-ITEM
           PERFORM RESOLVE-CUSTOMER-ITEM-CODE
           PERFORM SHOW-MISSING-CUSTOMER-ITEM
           PERFORM DISCONNECT-FROM-DATABASE
           MOVE 0 TO RETURN-CODE
           STOP RUN.

       CONNECT-TO-DATABASE.
           MOVE SPACES TO CONNECT-STRING
           ACCEPT CONNECT-STRING FROM ARGUMENT-VALUE
           IF CONNECT-STRING = SPACES
               ACCEPT CONNECT-STRING
                   FROM ENVIRONMENT "ITEM_LOOKUP_CONNECT"
           END-IF
           IF CONNECT-STRING = SPACES
               DISPLAY "usage: itemhost CONNECTION-STRING"
                       " (or set ITEM_LOOKUP_CONNECT)" UPON SYSERR
               MOVE 2 TO RETURN-CODE
               STOP RUN
           END-IF
           MOVE FUNCTION LENGTH(FUNCTION TRIM(CONNECT-STRING TRAILING))
             TO CONNECT-LENGTH
      *> The driver must not connect again by itself: its new session
      *> would lack this host's setup (docs/host-interface.md). Given
      *> last, AUTO_RECONNECT=0 wins over the DSN and anything before
      *> it in MariaDB Connector/ODBC; other drivers pass over it.
           IF CONNECT-LENGTH > 982
               DISPLAY "itemhost: the connection string is too long"
                       UPON SYSERR
               MOVE 2 TO RETURN-CODE
               STOP RUN
           END-IF
           IF CONNECT-STRING(CONNECT-LENGTH:1) NOT = ";"
               ADD 1 TO CONNECT-LENGTH
               MOVE ";" TO CONNECT-STRING(CONNECT-LENGTH:1)
           END-IF
           MOVE "AUTO_RECONNECT=0;"
             TO CONNECT-STRING(CONNECT-LENGTH + 1:17)
           ADD 17 TO CONNECT-LENGTH

           CALL STATIC "SQLAllocHandle" USING
                BY VALUE SQL-HANDLE-ENV
                BY VALUE SQL-NULL-HANDLE
                BY REFERENCE HOST-ENVIRONMENT-HANDLE
                RETURNING ODBC-RESULT
           PERFORM STOP-UNLESS-SUCCEEDED
           CALL STATIC "SQLSetEnvAttr" USING
                BY VALUE HOST-ENVIRONMENT-HANDLE
                BY VALUE SQL-ATTR-ODBC-VERSION
                BY VALUE SQL-OV-ODBC3
                BY VALUE 0
                RETURNING ODBC-RESULT
           PERFORM STOP-UNLESS-SUCCEEDED
           CALL STATIC "SQLAllocHandle" USING
                BY VALUE SQL-HANDLE-DBC
                BY VALUE HOST-ENVIRONMENT-HANDLE
                BY REFERENCE HOST-CONNECTION-HANDLE
                RETURNING ODBC-RESULT
           PERFORM STOP-UNLESS-SUCCEEDED
           CALL STATIC "SQLDriverConnect" USING
                BY VALUE HOST-CONNECTION-HANDLE
                BY VALUE SQL-NULL-HANDLE
                BY REFERENCE CONNECT-STRING
                BY VALUE CONNECT-LENGTH
                BY VALUE SQL-NULL-HANDLE
                BY VALUE 0
                BY VALUE SQL-NULL-HANDLE
                BY VALUE SQL-DRIVER-NOPROMPT
                RETURNING ODBC-RESULT
           IF NOT ODBC-SUCCEEDED
               DISPLAY "itemhost: cannot connect with "
                       FUNCTION TRIM(CONNECT-STRING TRAILING)
                       UPON SYSERR
               MOVE 1 TO RETURN-CODE
               STOP RUN
           END-IF

           PERFORM READ-STANDARD-LITERALS

      *> Both modules work on this connection. The demo databases
      *> are no SQL Server, so the database kind stays blank.
           SET VELDORIN-ENVIRONMENT-HANDLE TO HOST-ENVIRONMENT-HANDLE
           SET VELDORIN-CONNECTION-HANDLE  TO HOST-CONNECTION-HANDLE
           MOVE SPACES TO VELDORIN-DATABASE-KIND
           SET MARQUETH-ENVIRONMENT-HANDLE TO HOST-ENVIRONMENT-HANDLE
           SET MARQUETH-CONNECTION-HANDLE  TO HOST-CONNECTION-HANDLE
           MOVE SPACES TO MARQUETH-DATABASE-KIND.

       READ-STANDARD-LITERALS.
           MOVE SPACES TO DBMS-NAME SESSION-STATEMENT
           CALL STATIC "SQLGetInfo" USING
                BY VALUE HOST-CONNECTION-HANDLE
                BY VALUE SQL-DBMS-NAME
                BY REFERENCE DBMS-NAME
                BY VALUE 64
                BY REFERENCE DBMS-NAME-LENGTH
                RETURNING ODBC-RESULT
           PERFORM STOP-UNLESS-SUCCEEDED
           EVALUATE TRUE
             WHEN DBMS-NAME(1:7) = "MariaDB" OR DBMS-NAME(1:5) = "MySQL"
               STRING "SET SESSION sql_mode=CONCAT(@@sql_mode,"
                      "',NO_BACKSLASH_ESCAPES')" X"00"
                      DELIMITED BY SIZE INTO SESSION-STATEMENT
             WHEN DBMS-NAME(1:10) = "PostgreSQL"
               STRING "SET standard_conforming_strings = on" X"00"
                      DELIMITED BY SIZE INTO SESSION-STATEMENT
           END-EVALUATE
           IF SESSION-STATEMENT NOT = SPACES
               CALL STATIC "SQLAllocHandle" USING
                    BY VALUE SQL-HANDLE-STMT
                    BY VALUE HOST-CONNECTION-HANDLE
                    BY REFERENCE SESSION-STATEMENT-HANDLE
                    RETURNING ODBC-RESULT
               PERFORM STOP-UNLESS-SUCCEEDED
               CALL STATIC "SQLExecDirect" USING
                    BY VALUE SESSION-STATEMENT-HANDLE
                    BY REFERENCE SESSION-STATEMENT
                    BY VALUE SQL-NTS
                    RETURNING ODBC-RESULT
               PERFORM STOP-UNLESS-SUCCEEDED
               CALL STATIC "SQLFreeHandle" USING
                    BY VALUE SQL-HANDLE-STMT
                    BY VALUE SESSION-STATEMENT-HANDLE
                    RETURNING ODBC-RESULT
           END-IF.

       STOP-UNLESS-SUCCEEDED.
           IF NOT ODBC-SUCCEEDED
               DISPLAY "itemhost: ODBC set-up failed (" ODBC-RESULT ")"
                       UPON SYSERR
               MOVE 1 TO RETURN-CODE
               STOP RUN
           END-IF.

       CALL-VELDORIN.
           CALL "VELDORIN" USING BY REFERENCE
                VELDORIN-FUNCTION-CODE  VELDORIN-ITEM-CODE
                VELDORIN-SALES-FAMILY   VELDORIN-EXTERNAL-CODE
                VELDORIN-BARCODE        VELDORIN-DESCRIPTION
                VELDORIN-TRACE-FLAG     VELDORIN-DETAIL-FLAG
                VELDORIN-ANVISA-CODE    VELDORIN-PMC-VALUE
                VELDORIN-PMV-VALUE      VELDORIN-NET-WEIGHT
                VELDORIN-GROSS-WEIGHT   VELDORIN-STATUS
                VELDORIN-DATABASE-KIND  VELDORIN-ENVIRONMENT-HANDLE
                VELDORIN-CONNECTION-HANDLE
                RETURNING LOOKUP-RESULT.

       CALL-MARQUETH.
      *> MARQUETH writes the status only when no row is found.
           MOVE SPACES TO MARQUETH-STATUS
           CALL "MARQUETH" USING BY REFERENCE
                MARQUETH-FUNCTION-CODE  MARQUETH-CUSTOMER-KIND
                MARQUETH-CUSTOMER-CODE  MARQUETH-ITEM-CODE
                MARQUETH-CUSTOMER-ITEM-CODE
                MARQUETH-UNIT           MARQUETH-FACTOR
                MARQUETH-MINIMUM-LOT    MARQUETH-ORDER-MULTIPLE
                MARQUETH-BARCODE        MARQUETH-DAYS
                MARQUETH-STATUS         MARQUETH-DATABASE-KIND
                MARQUETH-ENVIRONMENT-HANDLE
                MARQUETH-CONNECTION-HANDLE
                RETURNING LOOKUP-RESULT.

       SHOW-ITEM.
           SET VELDORIN-FULL-FETCH TO TRUE
           MOVE "1001" TO VELDORIN-ITEM-CODE
           PERFORM CALL-VELDORIN
           DISPLAY "VELDORIN 1 item "
                   FUNCTION TRIM(VELDORIN-ITEM-CODE)
                   ": status " VELDORIN-STATUS
           IF VELDORIN-FOUND
               DISPLAY "  description   "
                       FUNCTION TRIM(VELDORIN-DESCRIPTION TRAILING)
               DISPLAY "  sales family  "
                       FUNCTION TRIM(VELDORIN-SALES-FAMILY TRAILING)
               DISPLAY "  barcode       "
                       FUNCTION TRIM(VELDORIN-BARCODE TRAILING)
               DISPLAY "  external code "
                       FUNCTION TRIM(VELDORIN-EXTERNAL-CODE TRAILING)
               MOVE VELDORIN-PMC-VALUE TO SHOW-PRICE
               DISPLAY "  PMC           " FUNCTION TRIM(SHOW-PRICE)
               MOVE VELDORIN-PMV-VALUE TO SHOW-PRICE
               DISPLAY "  PMV           " FUNCTION TRIM(SHOW-PRICE)
               MOVE VELDORIN-NET-WEIGHT TO SHOW-WEIGHT
               DISPLAY "  net weight    " FUNCTION TRIM(SHOW-WEIGHT)
               MOVE VELDORIN-GROSS-WEIGHT TO SHOW-WEIGHT
               DISPLAY "  gross weight  " FUNCTION TRIM(SHOW-WEIGHT)
           END-IF.

       RESOLVE-BARCODE.
           SET VELDORIN-RESOLVE-ITEM-CODE TO TRUE
           MOVE "7891000100079" TO VELDORIN-BARCODE
           MOVE SPACES TO VELDORIN-EXTERNAL-CODE VELDORIN-ITEM-CODE
           PERFORM CALL-VELDORIN
           DISPLAY "VELDORIN 3 barcode "
                   FUNCTION TRIM(VELDORIN-BARCODE TRAILING)
                   ": item " FUNCTION TRIM(VELDORIN-ITEM-CODE TRAILING)
                   " status " VELDORIN-STATUS.

       SHOW-CUSTOMER-ITEM.
           SET MARQUETH-CUSTOMER-ITEM-FETCH TO TRUE
           MOVE "C" TO MARQUETH-CUSTOMER-KIND
           MOVE 42 TO MARQUETH-CUSTOMER-CODE
           MOVE "1001" TO MARQUETH-ITEM-CODE
           PERFORM CALL-MARQUETH
           DISPLAY "MARQUETH 1 customer " MARQUETH-CUSTOMER-KIND " "
                   MARQUETH-CUSTOMER-CODE " item "
                   FUNCTION TRIM(MARQUETH-ITEM-CODE TRAILING)
                   ": status [" MARQUETH-STATUS "]"
           IF MARQUETH-STATUS = SPACES
               DISPLAY "  customer item "
                   FUNCTION TRIM(MARQUETH-CUSTOMER-ITEM-CODE TRAILING)
               DISPLAY "  unit          "
                       FUNCTION TRIM(MARQUETH-UNIT TRAILING)
               MOVE MARQUETH-FACTOR TO SHOW-FACTOR
               DISPLAY "  factor        " FUNCTION TRIM(SHOW-FACTOR)
               MOVE MARQUETH-MINIMUM-LOT TO SHOW-WEIGHT
               DISPLAY "  minimum lot   " FUNCTION TRIM(SHOW-WEIGHT)
               MOVE MARQUETH-ORDER-MULTIPLE TO SHOW-WEIGHT
               DISPLAY "  multiple      " FUNCTION TRIM(SHOW-WEIGHT)
               DISPLAY "  barcode       "
                       FUNCTION TRIM(MARQUETH-BARCODE TRAILING)
               DISPLAY "  days          " MARQUETH-DAYS
           END-IF.

       RESOLVE-CUSTOMER-ITEM-CODE.
           SET MARQUETH-RESOLVE-ITEM-CODE TO TRUE
           MOVE "C" TO MARQUETH-CUSTOMER-KIND
           MOVE 42 TO MARQUETH-CUSTOMER-CODE
           MOVE "LOCAO O'NEIL CLI" TO MARQUETH-CUSTOMER-ITEM-CODE
           MOVE SPACES TO MARQUETH-ITEM-CODE
           PERFORM CALL-MARQUETH
           DISPLAY "MARQUETH 2 customer item "
                   FUNCTION TRIM(MARQUETH-CUSTOMER-ITEM-CODE TRAILING)
                   ": item " FUNCTION TRIM(MARQUETH-ITEM-CODE TRAILING)
                   " status [" MARQUETH-STATUS "]".

       SHOW-MISSING-CUSTOMER-ITEM.
           SET MARQUETH-UNIT-FETCH TO TRUE
           MOVE "C" TO MARQUETH-CUSTOMER-KIND
           MOVE 43 TO MARQUETH-CUSTOMER-CODE
           MOVE "1001" TO MARQUETH-ITEM-CODE
           PERFORM CALL-MARQUETH
           DISPLAY "MARQUETH 4 customer " MARQUETH-CUSTOMER-KIND " "
                   MARQUETH-CUSTOMER-CODE " item "
                   FUNCTION TRIM(MARQUETH-ITEM-CODE TRAILING)
                   ": status [" MARQUETH-STATUS "]".

       DISCONNECT-FROM-DATABASE.
           CALL STATIC "SQLDisconnect" USING
                BY VALUE HOST-CONNECTION-HANDLE
                RETURNING ODBC-RESULT
           CALL STATIC "SQLFreeHandle" USING
                BY VALUE SQL-HANDLE-DBC
                BY VALUE HOST-CONNECTION-HANDLE
                RETURNING ODBC-RESULT
           CALL STATIC "SQLFreeHandle" USING
                BY VALUE SQL-HANDLE-ENV
                BY VALUE HOST-ENVIRONMENT-HANDLE
                RETURNING ODBC-RESULT.
