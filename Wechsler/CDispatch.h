/* SPDX-License-Identifier: Apache-2.0 */
// The conversion dispatch without widgets: which bridge function converts which pair of
// currencies, and what the main result, the error line and the sixteen currency lines show.
#pragma once

#include <QString>
#include <array>

class CCurrencyList;

// The four conversion functions of the bridge, as the dispatch calls them. The real one
// goes through the wrappers of Compute.h; tests put a fake in its place.
class IBridge {
  public:
    virtual ~IBridge() = default;
    // False when the library cannot be used; every field then names that reason.
    virtual bool Available() { return true; }
    virtual long U1(const QString& sEin, const QString& sAus, const QString& sAmount,
                    QString& sRet) = 0;
    virtual long U3(const QString& sEin, const QString& sKursTyp, const QString& sAus,
                    const QString& sAmount, QString& sRet) = 0;
    // Own rate of the non-euro side.
    virtual long U2(const QString& sEin, const QString& sAus, const QString& sAmount,
                    const QString& sRate, QString& sRet) = 0;
    virtual long U4(const QString& sEin, const QString& sRateEin, const QString& sAus,
                    const QString& sRateAus, const QString& sAmount, QString& sRet) = 0;
};

class CBridgeCalls : public IBridge {
  public:
    bool Available() override;
    long U1(const QString& sEin, const QString& sAus, const QString& sAmount,
            QString& sRet) override;
    long U3(const QString& sEin, const QString& sKursTyp, const QString& sAus,
            const QString& sAmount, QString& sRet) override;
    long U2(const QString& sEin, const QString& sAus, const QString& sAmount, const QString& sRate,
            QString& sRet) override;
    long U4(const QString& sEin, const QString& sRateEin, const QString& sAus,
            const QString& sRateAus, const QString& sAmount, QString& sRet) override;
};

// What one field shows: an amount (formatted for its currency), or a text in place of an
// amount, or nothing with the reason why.
struct CDispatchField {
    QString sText;   // formatted amount, or a text (bAmount false); empty: no value
    QString sReason; // why there is no value (empty when there is one)
    bool bAmount = false;
    long nRc = 0; // the bridge's number behind the field
};

struct CDispatchResult {
    CDispatchField main;
    QString sErrorLine; // for the main result
    std::array<CDispatchField, 16> lines;
};

struct CDispatchRequest {
    QString sSource, sTarget;
    QString sInput;      // InputString(): the amount text handed to the bridge
    QString sDisplay;    // the input text as shown (for the source currency's own line)
    int nSourcePos = -1; // selected position of the source list
    bool bUseWaehdat = false;
};

class CDispatch {
  public:
    CDispatch(IBridge& bridge, const CCurrencyList& list) : m_bridge(bridge), m_list(list) {}

    CDispatchResult Convert(const CDispatchRequest& req);
    // One pair: the field for sAus (bMain: the main result, where 463 stands as a text).
    CDispatchField ConvertPair(const CDispatchRequest& req, const QString& sAus, bool bMain);

    // The reason text when a currency of the list has no own rate (German or English).
    static QString NoRateText(const QString& sISOCode);

  private:
    // U1 or U3 through the bridge (the merged Try_U1/Try_U3); 462 leaves the field untouched.
    long TryFixed(bool bU3, const QString& sEin, const QString& sAus, const QString& sAmount,
                  CDispatchField& f, bool bMain);
    CDispatchField Fixed(const CDispatchRequest& req, const QString& sAus, bool bMain, bool bLine,
                         int nLine);
    // U2/U4 with the configured rates; false when both sides have fixed euro rates.
    bool OwnRates(const CDispatchRequest& req, const QString& sAus, CDispatchField& f, bool bMain);

    IBridge& m_bridge;
    const CCurrencyList& m_list;
};
