# SPDX-License-Identifier: Apache-2.0
import datetime as _dt
from decimal import Decimal
from typing import Any, Iterable, Optional, Sequence, Union

Amount = Union[Decimal, str, int]
DateLike = Union[str, _dt.date, None]
SUCCESS: tuple[int, int]

class ConversionError(Exception):
    code: int
    message: str
    message_de: str
    def __init__(self, code: int, message: str, message_de: str = ...) -> None: ...

class Rate:
    value: Optional[Decimal]
    unit: int
    quotation: str
    fixed: bool
    rate_date: Optional[_dt.date]

class Result:
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
    target_rate: Optional[Rate]
    euro_amount: Optional[Decimal]
    euro_rounding_difference: Optional[Decimal]
    amount4: Optional[Decimal]
    rounding_difference4: Optional[Decimal]
    @property
    def triangulated(self) -> bool: ...

class Balanced:
    total: Decimal
    parts: list[Decimal]
    adjusted: str

class Smoothed:
    units: int
    rest: Decimal
    code: int

class Context:
    open_code: int
    def __init__(self, *, builtin: bool = ..., control_file: Optional[str] = ...,
                 version: Optional[str] = ..., application: Optional[str] = ...,
                 reference_date: DateLike = ..., rate_file: Optional[str] = ...) -> None: ...
    def convert(self, amount: Amount, from_: str, to: str, date: DateLike = ..., *,
                rate_type: Optional[str] = ..., rate_print: Optional[bool] = ...,
                booking_date: DateLike = ..., reference_date: DateLike = ...) -> Result: ...
    def convert4(self, amount: Amount, from_: str, to: str, date: DateLike = ..., *,
                 rate_type: Optional[str] = ..., rate_print: Optional[bool] = ...,
                 booking_date: DateLike = ..., reference_date: DateLike = ...) -> Result: ...
    def convert_given_rate(self, amount: Amount, from_: str, to: str,
                           rate_from: Optional[Amount] = ..., rate_to: Optional[Amount] = ...,
                           *, unit_from: int = ..., unit_to: int = ...,
                           quotation_from: str = ..., quotation_to: str = ...,
                           decimals: int = ...) -> Result: ...
    def convert_many(self, amounts: Iterable[Amount], from_: str, to: str, dates: Any = ...,
                     *, date: DateLike = ..., rate_type: Optional[str] = ...,
                     rate_print: Optional[bool] = ..., booking_date: DateLike = ...,
                     reference_date: DateLike = ..., decimal: bool = ...,
                     frame: Optional[bool] = ...) -> Any: ...
    def balance(self, total: Amount, parts: Sequence[Amount], from_: str, to: str,
                date: DateLike = ..., method: str = ...) -> Balanced: ...
    def smooth(self, amounts: Sequence[Amount], from_: str, to: str, date: DateLike = ...,
               unit: Optional[int] = ..., exponent: Optional[int] = ...,
               method: str = ...) -> list[Smoothed]: ...

def convert(amount: Amount, from_: str, to: str, date: DateLike = ..., **options: Any) -> Result: ...
def convert4(amount: Amount, from_: str, to: str, date: DateLike = ..., **options: Any) -> Result: ...
def convert_given_rate(amount: Amount, from_: str, to: str, rate_from: Optional[Amount] = ...,
                       rate_to: Optional[Amount] = ..., **options: Any) -> Result: ...
def convert_many(amounts: Iterable[Amount], from_: str, to: str, dates: Any = ...,
                 **options: Any) -> Any: ...
def balance(total: Amount, parts: Sequence[Amount], from_: str, to: str, date: DateLike = ...,
            method: str = ...) -> Balanced: ...
def smooth(amounts: Sequence[Amount], from_: str, to: str, date: DateLike = ...,
           unit: Optional[int] = ..., exponent: Optional[int] = ...,
           method: str = ...) -> list[Smoothed]: ...
def strerror(code: int, lang: str = ...) -> str: ...
def version() -> str: ...
__version__: str
