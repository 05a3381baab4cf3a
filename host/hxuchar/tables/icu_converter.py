"""ICU's converters through libicuuc (the library uconv runs on), so that
tables and references need no subprocess per code.

A Converter reads every malformed or unassigned sequence as one U+FFFD and
logs its (reason, length); it writes a character the page lacks as the
substitute text it is given, or fails on it when given none.
"""
import ctypes
import ctypes.util
import glob
import re

UNASSIGNED, ILLEGAL, IRREGULAR = 0, 1, 2


def _library():
    paths = sorted(glob.glob('/usr/lib/*/libicuuc.so.[0-9]*') + glob.glob('/usr/lib/libicuuc.so.[0-9]*'))
    found = ctypes.util.find_library('icuuc')
    path = found if found and re.search(r'\.so\.\d+', found) else (paths[0] if paths else None)
    if not path:
        return None, None
    return ctypes.CDLL(path), re.search(r'\.so\.(\d+)', path).group(1)


_LIB, _SUFFIX = _library()
_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int32, ctypes.c_int,
                             ctypes.POINTER(ctypes.c_int))


def _function(name, restype, *argtypes):
    function = getattr(_LIB, f'{name}_{_SUFFIX}')
    function.restype = restype
    function.argtypes = list(argtypes)
    return function


def available():
    return _LIB is not None


def version():
    info = (ctypes.c_uint8 * 4)()
    _function('u_getVersion', None, ctypes.c_void_p)(info)
    return 'ICU ' + '.'.join(str(v) for v in info[:2])


class Converter:
    def __init__(self, name, substitute=None):
        error = ctypes.c_int(0)
        p = ctypes.POINTER(ctypes.c_int)
        self._open = _function('ucnv_open', ctypes.c_void_p, ctypes.c_char_p, p)
        self._to = _function('ucnv_toUChars', ctypes.c_int32, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int32,
                             ctypes.c_char_p, ctypes.c_int32, p)
        self._from = _function('ucnv_fromUChars', ctypes.c_int32, ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int32,
                               ctypes.c_char_p, ctypes.c_int32, p)
        self._write = _function('ucnv_cbToUWriteUChars', None, ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int32,
                                ctypes.c_int32, p)
        self.handle = self._open(name.encode(), ctypes.byref(error))
        if not self.handle or error.value > 0:
            raise SystemExit(f'ICU does not know {name}')
        self.log = []

        def to_unicode_error(context, args, units, length, reason, err):
            if reason > IRREGULAR:
                return
            self.log.append((reason, length))
            err[0] = 0
            self._write(args, '\ufffd'.encode('utf-16-le'), 1, 0, err)

        self._callback = _CALLBACK(to_unicode_error)
        _function('ucnv_setToUCallBack', None, ctypes.c_void_p, _CALLBACK, ctypes.c_void_p, ctypes.c_void_p,
                  ctypes.c_void_p, p)(self.handle, self._callback, None, None, None, ctypes.byref(error))
        stop = ctypes.cast(getattr(_LIB, f'UCNV_FROM_U_CALLBACK_STOP_{_SUFFIX}'), ctypes.c_void_p)
        if substitute is None:
            _function('ucnv_setFromUCallBack', None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p,
                      ctypes.c_void_p, ctypes.c_void_p, p)(self.handle, stop, None, None, None, ctypes.byref(error))
        else:
            units = substitute.encode('utf-16-le')
            _function('ucnv_setSubstString', None, ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int32, p)(
                self.handle, units, len(units) // 2, ctypes.byref(error))
        if error.value > 0:
            raise SystemExit(f'ICU: cannot set up {name}')

    def trace(self, data):
        """The text ICU reads, and its log of replaced sequences."""
        self.log = []
        error = ctypes.c_int(0)
        room = 2 * len(data) + 8
        out = ctypes.create_string_buffer(2 * room)
        count = self._to(self.handle, out, room, data, len(data), ctypes.byref(error))
        if error.value > 0:
            raise SystemExit(f'ICU failed to read {data.hex()}: {error.value}')
        return out.raw[:2 * count].decode('utf-16-le', 'surrogatepass'), self.log

    def decode(self, data):
        return self.trace(data)[0]

    def encode(self, text):
        """The bytes ICU writes for `text` (back in the initial state), or
        None when it has a character the page lacks and no substitute."""
        units = text.encode('utf-16-le', 'surrogatepass')
        error = ctypes.c_int(0)
        room = 4 * len(units) + 16
        out = ctypes.create_string_buffer(room)
        count = self._from(self.handle, out, room, units, len(units) // 2, ctypes.byref(error))
        return out.raw[:count] if error.value <= 0 else None
