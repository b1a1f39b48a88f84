/* SPDX-License-Identifier: Apache-2.0 */
/* Return-code table shared by libctrldata and libconvkern: 42 exported pointers to the
 * four-digit code texts. A function's return number is the decimal value of its code. */
#ifndef TARVO_RETURNCODES_H
#define TARVO_RETURNCODES_H

#include "tarvo_export.h"

TARVO_EXTERN_C_BEGIN

/* success */
TARVO_API extern const char* Rc0000; /* "0000" */
/* 040x: common block head */
TARVO_API extern const char* Rc00_SBVersFalsch;    /* "0400" */
TARVO_API extern const char* Rc00_SBAbsFehlt;      /* "0401" sender blank */
TARVO_API extern const char* Rc00_SBFktGrpFalsch;  /* "0402" */
TARVO_API extern const char* Rc00_EingParamFalsch; /* "0403" */
/* 044x: control-data loading */
TARVO_API extern const char* Rc01_FktEinzelFalsch; /* "0440" */
TARVO_API extern const char* Rc01_SBVersFalsch;    /* "0441" block version not "01" */
TARVO_API extern const char* Rc01_EBVersFalsch;    /* "0442" control-data version not found */
TARVO_API extern const char* Rc01_ProjNichtGef;    /* "0443" application not found */
TARVO_API extern const char* Rc01_SpeicherFehler;  /* "0444" no memory */
/* 0261, 046x, 047x: conversion functions */
TARVO_API extern const char* Rc02_KursVorgIgnoriert; /* "0261" success, fixed rate used */
TARVO_API extern const char* Rc02_FktEinzelFalsch;   /* "0460" */
TARVO_API extern const char* Rc02_SBVersFalsch;      /* "0461" */
TARVO_API extern const char* Rc02_UnzulISOCodes;     /* "0462" */
TARVO_API extern const char* Rc02_BetragUeberlauf;   /* "0463" */
TARVO_API extern const char* Rc02_FalscherKurstyp;   /* "0465" */
TARVO_API extern const char* Rc02_KursVorgVerboten;  /* "0466" */
TARVO_API extern const char* Rc02_WaehrungGesperrt;  /* "0467" */
TARVO_API extern const char* Rc02_KuDrKzVerschieden; /* "0468" */
TARVO_API extern const char* Rc02_KursNull;          /* "0469" */
TARVO_API extern const char* Rc02_FalscherIndex;     /* "0470" */
TARVO_API extern const char* Rc02_AusglMethFalsch;   /* "0471" */
TARVO_API extern const char* Rc02_SummeFalsch;       /* "0472" */
TARVO_API extern const char* Rc02_GlaettMethFalsch;  /* "0473" */
TARVO_API extern const char* Rc02_GlaettWertFehlt;   /* "0474" */
TARVO_API extern const char* Rc02_GlaettWertFalsch;  /* "0475" */
/* 048x: rate-file reader */
TARVO_API extern const char* Rc03_FktEinzelFalsch;  /* "0480" */
TARVO_API extern const char* Rc03_SBVersFalsch;     /* "0481" */
TARVO_API extern const char* Rc03_FalscherISOCode;  /* "0482" */
TARVO_API extern const char* Rc03_FalscheWhrgNr;    /* "0483" */
TARVO_API extern const char* Rc03_ValNichtGefunden; /* "0484" */
TARVO_API extern const char* Rc03_KursNull;         /* "0485" */
TARVO_API extern const char* Rc03_WaehrungGesperrt; /* "0487" */
TARVO_API extern const char* Rc03_DateiFehler;      /* "0489" */
/* 052x: carried by the table, written by no function */
TARVO_API extern const char* Rc05_FktEinzelFalsch;   /* "0520" */
TARVO_API extern const char* Rc05_SBVersFalsch;      /* "0521" */
TARVO_API extern const char* Rc05_SBProzFalsch;      /* "0522" */
TARVO_API extern const char* Rc05_BetragUeberlauf;   /* "0523" */
TARVO_API extern const char* Rc05_RundungsArtFalsch; /* "0524" */
TARVO_API extern const char* Rc05_RundStelleFalsch;  /* "0525" */
TARVO_API extern const char* Rc05_SBETagFalsch;      /* "0526" */
TARVO_API extern const char* Rc05_SBGTagFalsch;      /* "0527" */

TARVO_EXTERN_C_END

#endif
