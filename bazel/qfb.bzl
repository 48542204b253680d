# qfb_frame_set: one frame set converted by makeqfb as one Bazel action. The macro finds the set's
# members with glob, exactly as makeqfb finds them on disk (README, "Naming convention"), so that
# adding or removing a frame or mipmap level is seen on the next build; the rule runs the
# Bazel-built makeqfb on exactly those files, with nothing of the machine in its command line or
# environment, so that its cache key is the same everywhere.

_FORMATS = ["1555", "4444", "565"]

# makeqfb reads the frame rate like strtol into a 32-bit int; larger numbers say nothing more.
_MAX_FPS = 2147483647

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

def _check_arguments(base, format, fps):
    """The reason the arguments are wrong, or None."""
    if type(format) != "string" or format not in _FORMATS:
        return "format must be one of \"1555\", \"4444\" or \"565\" (a string), not %r" % (format,)
    if type(fps) != "int" or fps < 1 or fps > _MAX_FPS:
        return "fps must be a whole number from 1 to %d, not %r" % (_MAX_FPS, fps)
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

def qfb_frame_set(name, base, format, fps, **kwargs):
    """<name>.qfb from the frame set named by base (a file name relative to this package, such as
    "art/walk.tga"), in format "1555", "4444" or "565", at fps frames per second. Other arguments
    (visibility, tags, ...) go to the rule."""
    problem = _check_arguments(base, format, fps)
    if problem:
        fail("qfb_frame_set(name = \"%s\"): %s" % (name, problem))
    stem = base[:base.rfind(".")]
    ext = base[base.rfind("."):]
    present = {path: True for path in native.glob([base, stem + "-*" + ext], allow_empty = True)}
    members = _members(base, present)
    if [m for m in members if _DEL in m]:
        fail(("qfb_frame_set(name = \"%s\"): %r has a 31st mipmap level, whose letter is the control " +
              "character DEL, which Bazel cannot name; pack it with makeqfb itself") % (name, base))
    if not members:
        fail(("qfb_frame_set(name = \"%s\"): no frame set named by %r in this package: neither %s " +
              "nor %s-0000%s or %s-0001%s exists") % (name, base, base, stem, ext, stem, ext))
    _qfb_frame_set(name = name, srcs = members, base = base, format = format, fps = fps, **kwargs)
