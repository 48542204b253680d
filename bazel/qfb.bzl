# qfb_frame_set: one frame set converted as one Bazel action, in one of two forms.
# - base: the macro finds the set's members with glob, exactly as makeqfb finds them on disk
#   (README, "Naming convention"), so that adding or removing a frame or mipmap level is seen on
#   the next build; the rule runs the Bazel-built makeqfb on exactly those files.
# - frames: a list of images (usually a glob), put in natural order of their paths (run-2 before
#   run-10) and packed by the Bazel-built `qfbprep pack`, which can make mipmap levels, threshold
#   alpha, bleed colour into transparent pixels and dither: PNG or Targa images (one frame each, or
#   with grid or cell sprite sheets cut into cells), GIF, WebP and Aseprite files (each frame; with
#   tag, one Aseprite tag's).
# Either action has nothing of the machine in its command line or environment, so that its cache
# key is the same everywhere.

_FORMATS = ["1555", "4444", "565"]

# makeqfb reads the frame rate like strtol into a 32-bit int; larger numbers say nothing more.
_MAX_FPS = 2147483647

# The most mipmap levels a QFB file holds, and so the most qfbprep pack makes.
_MAX_LEVELS = 159

# qfbprep pack's dithering methods; the first is what --dither alone uses.
_DITHER_METHODS = ["diffusion", "ordered", "bayer", "stable"]

# Mipmap letters, one a level as in makeqfb: 'a' (level 1) up to the byte 255 (level 159). Level
# 31's is the control character DEL, which no Bazel label may hold: a set with that many levels
# is refused when the BUILD file loads rather than packed with fewer levels than makeqfb packs.
_DEL = "\177"
_MIPMAP_LETTERS = ("abcdefghijklmnopqrstuvwxyz{|}~" + _DEL +
                   "\200\201\202\203\204\205\206\207\210\211\212\213\214\215\216\217\220\221\222\223\224\225\226\227" +
                   "\230\231\232\233\234\235\236\237\240\241\242\243\244\245\246\247\250\251\252\253\254\255\256\257" +
                   "\260\261\262\263\264\265\266\267\270\271\272\273\274\275\276\277\300\301\302\303\304\305\306\307" +
                   "\310\311\312\313\314\315\316\317\320\321\322\323\324\325\326\327\330\331\332\333\334\335\336\337" +
                   "\340\341\342\343\344\345\346\347\350\351\352\353\354\355\356\357\360\361\362\363\364\365\366\367" +
                   "\370\371\372\373\374\375\376\377").elems()

def _frame_number(frame):
    """The frame number as makeqfb writes it: at least four digits."""
    digits = str(frame)
    return "0" * (4 - len(digits)) + digits

def _with_mipmaps(stem, number, ext, present):
    """The member stem-<number>ext (stem+ext for the single image) and its consecutive levels."""
    names = [stem + ("-" + number if number else "") + ext]
    for letter in _MIPMAP_LETTERS:
        name = stem + "-" + letter + number + ext
        if name not in present:
            break
        names.append(name)
    return names

def _members(base, present):
    """Every file makeqfb reads for base, given the names present (a dict): the single image when
    base is present, otherwise frames from 0000 or 0001 up to the first gap; each with its levels
    from 'a' up to the first missing letter."""
    dot = base.rfind(".")
    stem, ext = base[:dot], base[dot:]
    if base in present:
        return _with_mipmaps(stem, "", ext, present)
    first = 0 if stem + "-0000" + ext in present else 1
    names = []
    for frame in range(first, first + len(present) + 1):
        number = _frame_number(frame)
        if stem + "-" + number + ext not in present:
            break
        names.extend(_with_mipmaps(stem, number, ext, present))
    return names

def _check_rate(format, fps):
    """The reason the format or the rate is wrong, or None."""
    if type(format) != "string" or format not in _FORMATS:
        return "format must be one of \"1555\", \"4444\" or \"565\" (a string), not %r" % (format,)
    if type(fps) != "int" or fps < 1 or fps > _MAX_FPS:
        return "fps must be a whole number from 1 to %d, not %r" % (_MAX_FPS, fps)
    return None

def _check_base(base):
    """The reason base is wrong, or None."""
    if type(base) != "string" or not base:
        return "base must be the set's base filename, such as \"walk.tga\", not %r" % (base,)
    file_name = base.split("/")[-1]
    if base.startswith("/") or ".." in base.split("/") or "*" in base or "." not in file_name[1:]:
        return ("base must be a file name with an extension, relative to this package, without " +
                "\"..\" or \"*\", such as \"art/walk.tga\", not %r") % (base,)
    return None

def _qfb_frame_set_impl(ctx):
    out = ctx.actions.declare_file(ctx.label.name + ".qfb")
    base = "/".join([part for part in [ctx.label.workspace_root, ctx.label.package, ctx.attr.base] if part])

    # makeqfb writes <stem>.qfb beside the base: in the action's own sandbox (or remote input
    # root), where only the set is present; it is then moved to the declared output. Its report
    # is shown only when it fails. A file already in the way means the action runs in the source
    # tree (no sandbox): it is left alone and the action fails.
    ctx.actions.run_shell(
        inputs = ctx.files.srcs,
        tools = [ctx.executable._makeqfb],
        outputs = [out],
        command = """
written="${4%.*}.qfb"
if [ -e "$written" ]; then
  echo "$written is in the way: qfb_frame_set runs makeqfb in a sandbox or remotely, where only the set is present."
  exit 1
fi
report=$("$1" "$2" "$3" "$4") || { printf '%s\\n' "$report"; exit 1; }
mv -f "$written" "$5"
""",
        arguments = [ctx.executable._makeqfb.path, ctx.attr.format, str(ctx.attr.fps), base, out.path],
        mnemonic = "QfbFrameSet",
        progress_message = "Converting frame set %s to %s" % (base, out.short_path),
    )
    return [DefaultInfo(files = depset([out]))]

_qfb_frame_set = rule(
    implementation = _qfb_frame_set_impl,
    attrs = {
        "srcs": attr.label_list(allow_files = True, mandatory = True),
        "base": attr.string(mandatory = True),
        "format": attr.string(mandatory = True, values = _FORMATS),
        "fps": attr.int(mandatory = True),
        "_makeqfb": attr.label(default = Label("//:makeqfb"), executable = True, cfg = "exec"),
    },
)

def _is_strength(strength):
    """Whether strength is a number from 0 to 1 as qfbprep reads it: a string with at most three
    digits after the point ("0.5", ".25", "1.000")."""
    if type(strength) != "string":
        return False
    whole, point, fraction = strength.partition(".")
    if whole not in ["", "0", "1"] or (not whole and not point):
        return False
    if not point:
        return True
    if not fraction.isdigit() or len(fraction) > 3:
        return False
    return whole != "1" or not fraction.strip("0")

def _pack_options(mipmaps, keep_coverage, alpha_threshold, bleed, dither, strength):
    """qfbprep pack's options for the frames form, and the reason they are wrong (or None)."""
    options = []
    if mipmaps == True:
        options.append("--mipmaps")
    elif type(mipmaps) == "int" and mipmaps >= 1 and mipmaps <= _MAX_LEVELS:
        options.extend(["--mipmaps", str(mipmaps)])
    elif mipmaps != False:
        return None, ("mipmaps must be True (every level that fits) or a whole number of levels from 1 to " +
                      "%d, not %r") % (_MAX_LEVELS, mipmaps)
    if keep_coverage != None:
        if mipmaps == False:
            return None, "keep_coverage goes with mipmaps: it sets the coverage of the levels mipmaps makes"
        if type(keep_coverage) != "int" or keep_coverage < 1 or keep_coverage > 255:
            return None, "keep_coverage must be a whole number from 1 to 255, not %r" % (keep_coverage,)
        options.extend(["--keep-coverage", str(keep_coverage)])
    if type(alpha_threshold) == "int" and alpha_threshold >= 0 and alpha_threshold <= 255:
        options.extend(["--alpha-threshold", str(alpha_threshold)])
    elif alpha_threshold != None:
        return None, "alpha_threshold must be a whole number from 0 to 255, not %r" % (alpha_threshold,)
    if bleed == True:
        options.append("--bleed")
    elif bleed != False:
        return None, "bleed must be True or False, not %r" % (bleed,)

    # True and "diffusion" are both plain --dither: the same action, and so the same cache entry.
    if dither == True or dither == _DITHER_METHODS[0]:
        options.append("--dither")
    elif type(dither) == "string" and dither in _DITHER_METHODS:
        options.extend(["--dither", dither])
    elif dither != False:
        return None, ("dither must be True, False or a method, \"diffusion\", \"ordered\", \"bayer\" or " +
                      "\"stable\", not %r") % (dither,)
    if strength != None:
        if dither == False:
            return None, "strength goes with dither: it scales the dithering"
        if not _is_strength(strength):
            return None, ("strength must be a number from 0 to 1 as a string, with at most three digits " +
                          "after the point, such as \"0.5\", not %r") % (strength,)
        options.extend(["--strength", strength])
    return options, None

def _is_size(text):
    """Whether text is two whole numbers from 1 with an x between them, such as "8x4"."""
    if type(text) != "string":
        return False
    first, x, second = text.lower().partition("x")
    return bool(x) and first.isdigit() and second.isdigit() and first.lstrip("0") != "" and second.lstrip("0") != ""

def _form_options(grid, cell, cells, tag):
    """qfbprep pack's options for sheets and Aseprite tags, and the reason they are wrong (or None)."""
    options = []
    if grid != None and cell != None:
        return None, "give grid or cell, not both"
    for option, value in [("grid", grid), ("cell", cell)]:
        if value == None:
            continue
        if not _is_size(value):
            return None, "%s must be two whole numbers with an x between them, such as \"8x4\", not %r" % (option, value)
        options.extend(["--" + option, value])
    if cells != None:
        if grid == None and cell == None:
            return None, "cells goes with grid or cell: it counts the cells taken from each sheet"
        if type(cells) != "int" or cells < 1:
            return None, "cells must be a whole number from 1, not %r" % (cells,)
        options.extend(["--cells", str(cells)])
    if tag != None:
        if type(tag) != "string" or not tag:
            return None, "tag must be the name of an Aseprite tag, not %r" % (tag,)
        options.extend(["--tag", tag])
    return options, None

# The length of a run of digits as one character, in the order of the lengths and ranked among
# the digits, so that a longer number sorts after a shorter one.
_LENGTHS = "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ"

def _number(digits):
    """A run of digits as its length, then its digits, leading zeros left out."""
    number = digits.lstrip("0") or "0"
    return _LENGTHS[min(len(number), len(_LENGTHS) - 1)] + number

def _natural_key(file):
    """The key that puts files in natural order of their paths in the workspace (run-2 before
    run-10): each run of digits compares by its value; the path itself settles what that leaves
    equal."""
    key, digits = "", ""
    for c in file.short_path.elems():
        if c.isdigit():
            digits += c
            continue
        if digits:
            key += _number(digits)
            digits = ""
        key += c
    if digits:
        key += _number(digits)
    return key + "\0" + file.short_path

def _qfb_frames_impl(ctx):
    out = ctx.actions.declare_file(ctx.label.name + ".qfb")

    # The frames in natural order of their paths in the workspace, the same for a source file and
    # one another rule makes (whose path starts with bazel-out/ and its configuration), given to
    # qfbprep pack as they stand; the options after them, so that no frame is taken for the number
    # --mipmaps may have. pack writes the output alone, through a temporary file beside it; its
    # report is shown only when it fails, its notes (what the format loses, the end of a short
    # mipmap chain) always.
    frames = sorted(ctx.files.frames, key = _natural_key)
    args = ctx.actions.args()
    args.add(ctx.executable._qfbprep)
    args.add_all(["pack", ctx.attr.format, str(ctx.attr.fps)])
    args.add(out)
    args.add_all(frames)
    args.add_all(ctx.attr.options)
    args.add("--as-given")
    ctx.actions.run_shell(
        inputs = frames,
        tools = [ctx.executable._qfbprep],
        outputs = [out],
        command = """report=$("$@") || { printf '%s\\n' "$report"; exit 1; }
printf '%s\\n' "$report" | sed -n -E '/^(Note: |The mipmaps end at )/p'""",
        arguments = [args],
        mnemonic = "QfbFrameSet",
        progress_message = "Packing %d frames into %s" % (len(frames), out.short_path),
    )
    return [DefaultInfo(files = depset([out]))]

_qfb_frames = rule(
    implementation = _qfb_frames_impl,
    attrs = {
        "frames": attr.label_list(allow_files = True, mandatory = True),
        "format": attr.string(mandatory = True, values = _FORMATS),
        "fps": attr.int(mandatory = True),
        "options": attr.string_list(),
        "_qfbprep": attr.label(default = Label("//:qfbprep"), executable = True, cfg = "exec"),
    },
)

def _fail(name, problem):
    fail("qfb_frame_set(name = \"%s\"): %s" % (name, problem))

def qfb_frame_set(name, format, fps, base = None, frames = None, mipmaps = False, keep_coverage = None,
                  alpha_threshold = None, bleed = False, dither = False, strength = None, grid = None,
                  cell = None, cells = None, tag = None, **kwargs):
    """<name>.qfb in format "1555", "4444" or "565", at fps frames per second, from either
    - base: the Targa set named by that file name, relative to this package (such as
      "art/walk.tga"), packed by makeqfb as it finds it; or
    - frames: images (such as glob(["art/walk-*.png"])), packed by qfbprep pack in natural order
      of their paths: a PNG or Targa image one frame, or with grid ("8x4": columns x rows) or cell
      ("64x64": a cell's size) a sprite sheet cut into its cells row by row (cells: only the first
      so many); a GIF or WebP file each of its frames; an Aseprite file each of its frames, or
      those of the tag named by tag; making the mipmap levels the frames lack
      when mipmaps is True (or at most that many levels), each made level keeping the full-size
      level's share of pixels with alpha at or above keep_coverage when it is given; every alpha
      below alpha_threshold made 0 and the rest 255 when it is given; fully transparent pixels
      given the colour of the nearest visible ones when bleed is True; dithered when dither is
      True or names a method ("diffusion", "ordered", "bayer" or "stable"), scaled by strength
      ("0" to "1", a string) when it is given.
    Other arguments (visibility, tags, ...) go to the rule."""
    problem = _check_rate(format, fps)
    if not problem and base != None and frames != None:
        problem = "give either base (a Targa set) or frames (its images), not both"
    if not problem and base == None and frames == None:
        problem = "base or frames is missing"
    if problem:
        _fail(name, problem)
    if frames != None:
        options, problem = _pack_options(mipmaps, keep_coverage, alpha_threshold, bleed, dither, strength)
        if not problem:
            forms, problem = _form_options(grid, cell, cells, tag)
            options = options + (forms or [])
        if not problem and type(frames) != "list":
            problem = "frames must be a list of images, such as glob([\"art/walk-*.png\"]), not %r" % (frames,)
        if not problem and not frames:
            problem = "frames is empty: no image to pack (a glob that matches no file in this package?)"
        if problem:
            _fail(name, problem)
        _qfb_frames(name = name, frames = frames, format = format, fps = fps, options = options, **kwargs)
        return
    if (mipmaps != False or keep_coverage != None or alpha_threshold != None or bleed != False or
        dither != False or strength != None):
        _fail(name, ("mipmaps, keep_coverage, alpha_threshold, bleed, dither and strength go with frames: " +
                     "base packs its Targa set as it stands"))
    if grid != None or cell != None or cells != None or tag != None:
        _fail(name, "grid, cell, cells and tag go with frames: base packs its Targa set as it stands")
    problem = _check_base(base)
    if problem:
        _fail(name, problem)
    stem = base[:base.rfind(".")]
    ext = base[base.rfind("."):]
    present = {path: True for path in native.glob([base, stem + "-*" + ext], allow_empty = True)}
    members = _members(base, present)
    if [m for m in members if _DEL in m]:
        _fail(name, ("%r has a 31st mipmap level, whose letter is the control character DEL, which " +
                     "Bazel cannot name; pack it with makeqfb itself") % (base,))
    if not members:
        _fail(name, "no frame set named by %r in this package: neither %s nor %s-0000%s or %s-0001%s exists" %
                    (base, base, stem, ext, stem, ext))
    _qfb_frame_set(name = name, srcs = members, base = base, format = format, fps = fps, **kwargs)
