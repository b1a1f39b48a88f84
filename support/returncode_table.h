/* SPDX-License-Identifier: Apache-2.0 */
// The return codes of the whole system, one row each: the number a function returns, the
// exported symbol of its code text, the code text, the name of the internal constant, the
// German message and the English message. Every other place (the exported symbols, the
// internal constants, the code-text writer, the message tables of the calculator and of
// tarvo) is generated from these rows; returncode.h says how.
//
// A German text marks a code that the calculator's error-text table carries; an English
// text replaces it when the calculator runs in English and is what tarvo prints (tarvo
// prints the German text of a code without an English one). The row order is the order of
// the exported table and of the calculator's error-text table.
//
// No include guard: the file is included once per expansion of TARVO_RC.

// TARVO_RC(number, symbol, code text, constant, German, English)
TARVO_RC(0, Rc0000, "0000", Ok, "", "OK")
// 040x: the common block head
TARVO_RC(400, Rc00_SBVersFalsch, "0400", VersionBlank,
         "Versions-Nummer im SB ist Blank oder ungueltig", "")
TARVO_RC(401, Rc00_SBAbsFehlt, "0401", SenderMissing, "Absender-Modulname im SB ist Blank", "")
TARVO_RC(402, Rc00_SBFktGrpFalsch, "0402", FunctionGroupWrong, "Funktions-Gruppe im SB ist falsch",
         "")
TARVO_RC(403, Rc00_EingParamFalsch, "0403", ParameterWrong, "Eingabebetrag hat mehr als 15 Ziffern",
         "Input monetary sum has more than 15 digits")
// 044x: control-data loading
TARVO_RC(440, Rc01_FktEinzelFalsch, "0440", LoadFunctionWrong, "Einzel-Funktion im SB ist falsch",
         "")
TARVO_RC(441, Rc01_SBVersFalsch, "0441", LoadBlockVersion, "Versions-Nummer im SB ist falsch", "")
TARVO_RC(442, Rc01_EBVersFalsch, "0442", EbVersionNotFound,
         "Angeforderte EB-Version nicht gefunden", "")
TARVO_RC(443, Rc01_ProjNichtGef, "0443", DefaultEntryUsed, "Angeforderte Projekt-Daten nicht gef.",
         "")
TARVO_RC(444, Rc01_SpeicherFehler, "0444", NoMemory, "Speicherfehler", "")
// 0261, 046x, 047x: the conversion functions
TARVO_RC(261, Rc02_KursVorgIgnoriert, "0261", RateIgnored,
         "Kursvorgabe ignoriert und mit Euro-Kurs gerechnet",
         "Price input ignored and conversion done with Euro price")
TARVO_RC(460, Rc02_FktEinzelFalsch, "0460", ConvFunctionWrong, "Einzel-Funktion im SB ist falsch",
         "")
TARVO_RC(461, Rc02_SBVersFalsch, "0461", ConvBlockVersion, "Versions-Nummer im SB ist falsch", "")
TARVO_RC(462, Rc02_UnzulISOCodes, "0462", IsoCombination, "Unzulässige ISO-Code-Kombination",
         "Non-permissible ISO-Code combination")
TARVO_RC(463, Rc02_BetragUeberlauf, "0463", Overflow, "Kein Kurs/Betragsüberlauf",
         "No rate/Amount overflow")
TARVO_RC(465, Rc02_FalscherKurstyp, "0465", RateType,
         "Ungültiger Kurstyp für Nicht-Teilnehmerwährung",
         "Invalid price type for non-participating currency")
TARVO_RC(466, Rc02_KursVorgVerboten, "0466", RateGivenForbidden,
         "Kursvorgabe bei EWU-Teilnehmer verboten", "")
TARVO_RC(467, Rc02_WaehrungGesperrt, "0467", Blocked, "Sperrkennzeichen in Währungsdatei gesetzt",
         "Blocking code set in the currency file")
TARVO_RC(468, Rc02_KuDrKzVerschieden, "0468", RatePrint,
         "Kurs-Druck-Kennz in SB == J und in DB-Tabelle == N", "")
TARVO_RC(469, Rc02_KursNull, "0469", RateZero, "", "Rate is zero")
TARVO_RC(470, Rc02_FalscherIndex, "0470", BadIndex, "", "Wrong number of items")
TARVO_RC(471, Rc02_AusglMethFalsch, "0471", BadBalancingMethod, "", "Wrong balancing method")
TARVO_RC(472, Rc02_SummeFalsch, "0472", BadSum, "", "The parts do not add up to the total")
TARVO_RC(473, Rc02_GlaettMethFalsch, "0473", BadSmoothingMethod, "", "Wrong smoothing method")
TARVO_RC(474, Rc02_GlaettWertFehlt, "0474", SmoothingValueMissing, "", "Smoothing value missing")
TARVO_RC(475, Rc02_GlaettWertFalsch, "0475", SmoothingValueWrong, "",
         "Smoothing value out of range")
// 048x: the rate-file reader
TARVO_RC(480, Rc03_FktEinzelFalsch, "0480", ReaderFunctionWrong, "Einzel-Funktion im SB ist falsch",
         "")
TARVO_RC(481, Rc03_SBVersFalsch, "0481", ReaderBlockVersion, "Versions-Nummer im SB ist falsch", "")
TARVO_RC(482, Rc03_FalscherISOCode, "0482", IsoNotInFile,
         "ISO-Code nicht in Währungsdatei gefunden", "ISO-Code not found in the currency file")
TARVO_RC(483, Rc03_FalscheWhrgNr, "0483", CurrencyNumberUnknown,
         "Waehrungs-Nummer nicht im Datenbestand gefunden", "")
TARVO_RC(484, Rc03_ValNichtGefunden, "0484", ValueDataMissing, "Valuten-Daten nicht in DB-Tabelle",
         "")
TARVO_RC(485, Rc03_KursNull, "0485", NoRateInFile,
         "Keinen gültigen Kurs in der Währungsdatei gefunden",
         "No valid price found in the currency file")
TARVO_RC(487, Rc03_WaehrungGesperrt, "0487", CurrencyBlocked, "Waehrung gesperrt", "")
TARVO_RC(489, Rc03_DateiFehler, "0489", FileError, "Waehrungsdatei nicht gefunden",
         "Currency file not found")
// 052x: carried by the table, written by no function
TARVO_RC(520, Rc05_FktEinzelFalsch, "0520", PercentFunctionWrong,
         "Einzel-Funktion im SB ist falsch", "")
TARVO_RC(521, Rc05_SBVersFalsch, "0521", PercentBlockVersion, "Versions-Nummer im SB ist falsch",
         "")
TARVO_RC(522, Rc05_SBProzFalsch, "0522", PercentNotPositive, "Prozentsatz nicht groesser 0", "")
TARVO_RC(523, Rc05_BetragUeberlauf, "0523", PercentOverflow, "Betrags-Ueberlauf nach Mult. / Div.",
         "")
TARVO_RC(524, Rc05_RundungsArtFalsch, "0524", RoundingKindWrong,
         "Rundungsart falsch nur 'A' oder 'R' erlaubt", "")
TARVO_RC(525, Rc05_RundStelleFalsch, "0525", RoundingPlaceWrong, "Rundungsstelle < 0 oder > 5", "")
TARVO_RC(526, Rc05_SBETagFalsch, "0526", ETagNotPositive, "ETag nicht groesser 0", "")
TARVO_RC(527, Rc05_SBGTagFalsch, "0527", GTagNotPositive, "GTag nicht groesser 0", "")
