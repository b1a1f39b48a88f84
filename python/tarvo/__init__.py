# SPDX-License-Identifier: Apache-2.0
"""Exact money conversion between the euro, the former national currencies of the euro area
(fixed conversion rates) and other currencies (market rates from a rate file).

Amounts are ``decimal.Decimal``, ``str`` or ``int``; a ``float`` is refused with
``TypeError`` because it cannot hold an amount exactly. Results carry ``Decimal`` fields.

>>> import tarvo
>>> r = tarvo.convert("100", "DEM", "EUR", "2001-06-15")
>>> r.amount, r.rate, r.fixed
(Decimal('51.13'), Decimal('1.9558300'), True)

The module-level functions use a default context (control data from ``$TARVO_STEUDAT`` or
``TARVO.DAT``, else the built-in record; rate file from ``$TARVO_WAEHKURS`` or
``WAEHKURS.DAT``). ``tarvo.Context(...)`` opens one with other settings; its methods are the
same functions.
"""

from __future__ import annotations

import datetime as _dt
import threading as _threading
from dataclasses import dataclass
from decimal import Decimal
from typing import Any, Iterable, Optional, Sequence, Union

from . import _tarvo

__all__ = [
    "Balanced",
    "Context",
    "ConversionError",
    "Rate",
    "Result",
    "Smoothed",
    "balance",
    "convert",
    "convert4",
    "convert_given_rate",
    "convert_many",
    "smooth",
    "strerror",
    "version",
]

Amount = Union[Decimal, str, int]
DateLike = Union[str, _dt.date, None]

#: Codes that mean success: 0, and 261 (a fixed euro rate replaced a given rate).
SUCCESS = (0, 261)


class ConversionError(Exception):
    """A conversion or a context failed; ``code`` is the kernel's or the library's code."""

    def __init__(self, code: int, message: str, message_de: str = "") -> None:
        super().__init__(f"{code}: {message}")
        self.code = code
        self.message = message
        self.message_de = message_de


@dataclass(frozen=True)
class Rate:
    """A rate used: value per ``unit`` units, quotation, fixed euro rate or market rate."""

    value: Optional[Decimal]
    unit: int
    quotation: str
    fixed: bool
    rate_date: Optional[_dt.date]  # date of the rate-file record for a market rate


@dataclass(frozen=True)
class Result:
    """Result of one conversion."""

    amount: Decimal
    decimals: int
    rounding_difference: Decimal
    rate: Decimal
    rate_date: Optional[_dt.date]
    fixed: bool
    code: int
    message: str
    message_de: str
    function: str
    source_rate: Rate
    target_rate: Optional[Rate]  # second leg of a triangulation through the base currency
    euro_amount: Optional[Decimal]
    euro_rounding_difference: Optional[Decimal]
    amount4: Optional[Decimal] = None  # convert4 only
    rounding_difference4: Optional[Decimal] = None

    @property
    def triangulated(self) -> bool:
        return self.target_rate is not None


@dataclass(frozen=True)
class Balanced:
    """Converted total and parts that add up to it; ``adjusted`` holds '+', '-' or ' '."""

    total: Decimal
    parts: list
    adjusted: str


@dataclass(frozen=True)
class Smoothed:
    """One amount as whole smoothing units plus the remainder."""

    units: int
    rest: Decimal
    code: int


def _amount_text(value: Any, name: str = "amount") -> str:
    if isinstance(value, bool) or isinstance(value, float):
        raise TypeError(f"{name} must be Decimal, str or int, not {type(value).__name__}"
                        " (a float is not exact)")
    if isinstance(value, str):
        return value
    if isinstance(value, int):
        return str(value)
    if isinstance(value, Decimal):
        return format(value, "f")
    raise TypeError(f"{name} must be Decimal, str or int, not {type(value).__name__}")


def _date_text(value: DateLike) -> Optional[str]:
    if value is None:
        return None
    if isinstance(value, str):
        return value
    if isinstance(value, _dt.date):  # also datetime and pandas Timestamp
        return value.strftime("%Y%m%d")
    raise TypeError(f"date must be str or datetime.date, not {type(value).__name__}")


def _dec(text: str) -> Optional[Decimal]:
    return Decimal(text) if text else None


def _day(text: str) -> Optional[_dt.date]:
    if not text:
        return None
    return _dt.date(int(text[:4]), int(text[4:6]), int(text[6:8]))


def _rate(t: tuple) -> Rate:
    value, unit, quotation, fixed, rate_date = t
    return Rate(_dec(value), unit, quotation, bool(fixed), _day(rate_date))


def _result(t: tuple) -> Result:
    (code, en, de, function, amount, decimals, diff, amount4, diff4, rate, rate_to,
     triangulated, euro, euro_diff) = t
    if code not in SUCCESS:
        raise ConversionError(code, en, de)
    source = _rate(rate)
    return Result(
        amount=Decimal(amount), decimals=decimals, rounding_difference=Decimal(diff),
        rate=source.value, rate_date=source.rate_date, fixed=source.fixed, code=code,
        message=en, message_de=de, function=function, source_rate=source,
        target_rate=_rate(rate_to) if triangulated else None,
        euro_amount=_dec(euro) if triangulated else None,
        euro_rounding_difference=_dec(euro_diff) if triangulated else None,
        amount4=_dec(amount4), rounding_difference4=_dec(diff4))


def _option(value: Any, name: str) -> Optional[str]:
    if value is None:
        return None
    if isinstance(value, bool):
        return "J" if value else "N"
    if isinstance(value, str) and len(value) == 1:
        return value
    raise ValueError(f"{name} must be one character")


def _fixed_width(values: Any) -> Any:
    """A numpy array of strings as (bytes, item size), the fast path of convert_many."""
    try:
        import numpy as np
    except ImportError:  # pragma: no cover - numpy is optional
        return None
    if isinstance(values, np.ndarray) and values.dtype.kind in "US" and values.ndim == 1:
        try:
            raw = values.astype("S") if values.dtype.kind == "U" else values
        except UnicodeEncodeError:
            return None  # non-ASCII texts: the sequence path reports them as malformed
        raw = np.ascontiguousarray(raw)
        return (raw.tobytes(), raw.dtype.itemsize)
    return None


def _column(values: Any, name: str, texts) -> Any:
    """Texts of a column: numpy string arrays stay bytes, everything else becomes a list."""
    index = None
    if type(values).__module__.startswith("pandas") and hasattr(values, "to_numpy"):
        index = getattr(values, "index", None)  # a Series keeps its index
        values = values.to_numpy()
    fast = _fixed_width(values)
    if fast is not None:
        return fast, index, len(values)
    try:
        import numpy as np
        if isinstance(values, np.ndarray) and values.dtype.kind == "M":
            raw = np.datetime_as_string(values, unit="D").astype("S")
            return (raw.tobytes(), raw.dtype.itemsize), index, len(raw)
    except ImportError:  # pragma: no cover
        pass
    seq = values if isinstance(values, (list, tuple)) else list(values)
    if not all(type(v) is str for v in seq):
        seq = [texts(v) for v in seq]
    return seq, index, len(seq)


class Context:
    """Control data and rate file for conversions; safe to share between threads.

    builtin: use the built-in control data; control_file: a control-data file (it must
    exist); version, application: the control-data block and application entry;
    reference_date: default reference date (else today); rate_file: the rate file (one per
    process: a second context may not name another while this one is open).
    """

    def __init__(self, *, builtin: bool = False, control_file: Optional[str] = None,
                 version: Optional[str] = None, application: Optional[str] = None,
                 reference_date: DateLike = None, rate_file: Optional[str] = None) -> None:
        cap, code, message = _tarvo.open(bool(builtin), control_file, version, application,
                                         _date_text(reference_date), rate_file)
        if cap is None:
            raise ConversionError(code, message, _tarvo.strerror(code, "de"))
        self._cap = cap
        #: 443 when the application was not found and the default entry serves, else 0.
        self.open_code = code

    def convert(self, amount: Amount, from_: str, to: str, date: DateLike = None, *,
                rate_type: Optional[str] = None, rate_print: Optional[bool] = None,
                booking_date: DateLike = None, reference_date: DateLike = None) -> Result:
        """Convert ``amount`` (at most 13 integer digits and 2 decimals) from ``from_`` into
        ``to``: directly when one side is the base currency, else through it. ``date`` is the
        booking and reference date (default today); ``booking_date`` (rate-file date) and
        ``reference_date`` (control data) override it separately. ``rate_type`` is one of
        G M B S X Y (default M); ``rate_print`` demands rates marked for printing. Raises
        ``ConversionError`` with the code on failure."""
        return _result(_tarvo.convert(
            self._cap, _amount_text(amount), from_, to, _date_text(date),
            _option(rate_type, "rate_type"), _option(rate_print, "rate_print"),
            _date_text(booking_date), _date_text(reference_date), False))

    def convert4(self, amount: Amount, from_: str, to: str, date: DateLike = None, *,
                 rate_type: Optional[str] = None, rate_print: Optional[bool] = None,
                 booking_date: DateLike = None, reference_date: DateLike = None) -> Result:
        """Like ``convert`` with a four-decimal amount (at most 11 integer digits); the
        result also carries ``amount4`` and ``rounding_difference4``."""
        return _result(_tarvo.convert(
            self._cap, _amount_text(amount), from_, to, _date_text(date),
            _option(rate_type, "rate_type"), _option(rate_print, "rate_print"),
            _date_text(booking_date), _date_text(reference_date), True))

    def convert_given_rate(self, amount: Amount, from_: str, to: str,
                           rate_from: Optional[Amount] = None,
                           rate_to: Optional[Amount] = None, *, unit_from: int = 1,
                           unit_to: int = 1, quotation_from: str = "M",
                           quotation_to: str = "M", decimals: int = 2) -> Result:
        """Convert with given rates (at most 4 integer digits and 7 decimals, per ``unit``
        units, quotation M or P): ``rate_from`` for ``from_``, ``rate_to`` for ``to``. A
        currency with a fixed euro rate keeps it (code 261). ``decimals`` (2 or 0) is the
        result's for a currency the control data does not know."""
        rf = None if rate_from is None else (_amount_text(rate_from, "rate_from"), unit_from,
                                             quotation_from)
        rt = None if rate_to is None else (_amount_text(rate_to, "rate_to"), unit_to,
                                           quotation_to)
        return _result(_tarvo.convert_given_rate(self._cap, _amount_text(amount), from_, to,
                                                 rf, rt, decimals))

    def convert_many(self, amounts: Iterable[Amount], from_: str, to: str,
                     dates: Any = None, *, date: DateLike = None,
                     rate_type: Optional[str] = None, rate_print: Optional[bool] = None,
                     booking_date: DateLike = None, reference_date: DateLike = None,
                     decimal: bool = False, frame: Optional[bool] = None) -> Any:
        """Convert many amounts (a sequence, a numpy array of strings or objects, or a pandas
        Series) from ``from_`` into ``to``. ``dates`` is one date for all or a column of
        dates (str, datetime.date, numpy datetime64). The work runs without the GIL.

        Returns a pandas DataFrame with the columns ``result`` (exact decimal text, or
        ``Decimal`` with ``decimal=True``; empty on failure), ``code`` (int32) and
        ``message`` (empty on success), indexed like a given Series; without pandas (or with
        ``frame=False``) a dict of the three lists. Failures do not raise: each row has its
        code."""
        amount_col, index, n = _column(amounts, "amounts", _amount_text)
        one_date = date
        per_row = None
        if dates is not None and (isinstance(dates, (str, _dt.date))):
            one_date = dates
        elif dates is not None:
            per_row, _, m = _column(dates, "dates", _date_text)
            if m != n:
                raise ValueError("amounts and dates differ in length")
        results, codes, messages, _worst = _tarvo.convert_many(
            self._cap, amount_col, from_, to, per_row, _date_text(one_date),
            _option(rate_type, "rate_type"), _option(rate_print, "rate_print"),
            _date_text(booking_date), _date_text(reference_date))
        if decimal:
            results = [Decimal(r) if r else None for r in results]
        try:
            if frame is False:
                raise ImportError
            import numpy as np
            import pandas as pd
        except ImportError:
            if frame:
                raise
            import array
            return {"result": results, "code": list(array.array("i", codes)),
                    "message": messages}
        return pd.DataFrame({
            "result": np.array(results, dtype=object),
            "code": np.frombuffer(codes, dtype=np.int32),
            "message": np.array(messages, dtype=object),
        }, index=index)

    def balance(self, total: Amount, parts: Sequence[Amount], from_: str, to: str,
                date: DateLike = None, method: str = "0") -> Balanced:
        """Convert ``total`` and its ``parts`` (1 to 49, adding up to the total) and balance
        the converted parts to the converted total: method '0' largest remainder, '1' largest
        remainder after rounding every part down, '2' the parts whose own rounding deviated
        most."""
        code, t, p, adjust = _tarvo.balance(
            self._cap, _amount_text(total, "total"),
            [_amount_text(x, "parts") for x in parts], from_, to, _date_text(date), method)
        if code not in SUCCESS:
            raise ConversionError(code, strerror(code), strerror(code, "de"))
        return Balanced(Decimal(t), [Decimal(x) for x in p], adjust)

    def smooth(self, amounts: Sequence[Amount], from_: str, to: str, date: DateLike = None,
               unit: Optional[int] = None, exponent: Optional[int] = None,
               method: str = "G") -> list:
        """Convert 1 to 50 amounts and express each as whole smoothing units plus the rest.
        The unit is ``unit`` (1 to 1000000) or 10**``exponent`` (1 to 6); method 'G' rounds
        the number of units, 'M' cuts it."""
        if isinstance(unit, (float, bool)):
            raise TypeError("unit must be int, str or Decimal")
        code, items = _tarvo.smooth(
            self._cap, [_amount_text(x) for x in amounts], from_, to, _date_text(date),
            None if unit is None else _amount_text(unit, "unit"),
            0 if exponent is None else int(exponent), method)
        if code not in SUCCESS:
            raise ConversionError(code, strerror(code), strerror(code, "de"))
        return [Smoothed(int(u), Decimal(r), c) for c, u, r in items]


_default: Optional[Context] = None
_default_lock = _threading.Lock()


def _context() -> Context:
    global _default
    if _default is None:
        with _default_lock:
            if _default is None:
                _default = Context()
    return _default


def convert(amount: Amount, from_: str, to: str, date: DateLike = None, **options: Any) -> Result:
    """``Context.convert`` on the default context."""
    return _context().convert(amount, from_, to, date, **options)


def convert4(amount: Amount, from_: str, to: str, date: DateLike = None,
             **options: Any) -> Result:
    """``Context.convert4`` on the default context."""
    return _context().convert4(amount, from_, to, date, **options)


def convert_given_rate(amount: Amount, from_: str, to: str, rate_from: Optional[Amount] = None,
                       rate_to: Optional[Amount] = None, **options: Any) -> Result:
    """``Context.convert_given_rate`` on the default context."""
    return _context().convert_given_rate(amount, from_, to, rate_from, rate_to, **options)


def convert_many(amounts: Iterable[Amount], from_: str, to: str, dates: Any = None,
                 **options: Any) -> Any:
    """``Context.convert_many`` on the default context."""
    return _context().convert_many(amounts, from_, to, dates, **options)


def balance(total: Amount, parts: Sequence[Amount], from_: str, to: str, date: DateLike = None,
            method: str = "0") -> Balanced:
    """``Context.balance`` on the default context."""
    return _context().balance(total, parts, from_, to, date, method)


def smooth(amounts: Sequence[Amount], from_: str, to: str, date: DateLike = None,
           unit: Optional[int] = None, exponent: Optional[int] = None,
           method: str = "G") -> list:
    """``Context.smooth`` on the default context."""
    return _context().smooth(amounts, from_, to, date, unit, exponent, method)


def strerror(code: int, lang: str = "en") -> str:
    """Text of a code in English or (``lang="de"``) German."""
    return _tarvo.strerror(code, lang)


def version() -> str:
    """Version of libtarvo."""
    return _tarvo.version()


__version__ = version()
