#!/usr/bin/python3
"""Draws the installation's pictures: emoticons with Face.xml, gift pictures
and animations, level icons, the image strips and window pictures, the
loudspeaker pictures, the control-bar icons and the images of the skins.

Emoji come from Debian's Noto Color Emoji font, text from WenQuanYi Micro
Hei. Everything is drawn the same way on every run (no clock, no unseeded
randomness), so a build is reproducible.

usage: make_pictures.py DATA_DIR APP_DIR SKIN_WORK_DIR
"""
import configparser
import csv
import hashlib
import math
import os
import shutil
import sys

from PIL import Image, ImageDraw, ImageFont

EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
# Masked image lists take their transparent colour from a corner pixel.
MAGENTA = (255, 0, 255)

_emoji_font = None
_emoji_cache = {}


def emoji(ch, size):
    """The emoji `ch` as an RGBA square of `size` pixels, centred."""
    global _emoji_font
    key = (ch, size)
    if key in _emoji_cache:
        return _emoji_cache[key].copy()
    if _emoji_font is None:
        _emoji_font = ImageFont.truetype(EMOJI_FONT, 109)  # the font's one bitmap size
    canvas = Image.new("RGBA", (160, 160), (0, 0, 0, 0))
    ImageDraw.Draw(canvas).text((8, 8), ch, font=_emoji_font, embedded_color=True)
    box = canvas.getbbox()
    if box is None:
        raise SystemExit("emoji font has no picture for %r" % ch)
    im = canvas.crop(box)
    side = max(im.size)
    sq = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    sq.paste(im, ((side - im.size[0]) // 2, (side - im.size[1]) // 2))
    out = sq.resize((size, size), Image.LANCZOS)
    _emoji_cache[key] = out
    return out.copy()


def cjk(size):
    return ImageFont.truetype(CJK_FONT, size)


def on_background(rgba, colour):
    bg = Image.new("RGBA", rgba.size, colour + (255,))
    bg.alpha_composite(rgba)
    return bg.convert("RGB")


def save_bmp(rgb, path):
    rgb.convert("RGB").save(path, format="BMP")


def save_gif(frames, path, duration_ms=100):
    """RGBA frames as a GIF whose palette index 255 is transparent. All
    frames share one palette, so the transparent index means the same in
    every frame."""
    w, h = frames[0].size
    sheet = Image.new("RGB", (w * len(frames), h), (255, 255, 255))
    for i, f in enumerate(frames):
        sheet.paste(on_background(f, (255, 255, 255)), (i * w, 0))
    palette = sheet.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    # Entry 255 repeats entry 0, so no drawn pixel is matched to the
    # transparent index (a tie goes to the lower index).
    entries = (palette.getpalette() + [0] * 768)[:768]
    entries[765:768] = entries[0:3]
    palette.putpalette(entries)
    pals = []
    for f in frames:
        pal = on_background(f, (255, 255, 255)).quantize(palette=palette, dither=Image.Dither.NONE)
        clear = f.getchannel("A").point(lambda a: 255 if a < 100 else 0)
        if any(i == 255 and m == 0 for i, m in zip(pal.getdata(), clear.getdata())):
            raise SystemExit("%s: a drawn pixel took the transparent index" % path)
        pal.paste(255, mask=clear)
        pals.append(pal)
    if len(pals) == 1:
        pals[0].save(path, format="GIF", transparency=255, optimize=False)
    else:
        pals[0].save(path, format="GIF", save_all=True, append_images=pals[1:], duration=duration_ms,
                     loop=0, transparency=255, disposal=2, optimize=False)


def masked(rgba, mask_colour):
    """A picture for a masked image list: the picture blended onto white
    where it is drawn, the mask colour everywhere else."""
    drawn = on_background(rgba, (255, 255, 255))
    out = Image.new("RGB", rgba.size, mask_colour)
    out.paste(drawn, mask=rgba.getchannel("A").point(lambda a: 255 if a >= 64 else 0))
    return out


def scaled(img, factor, size):
    """`img` scaled by `factor` about the centre of a `size` canvas."""
    s = max(1, int(round(img.size[0] * factor)))
    im = img.resize((s, s), Image.LANCZOS)
    out = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    if s <= size:
        out.alpha_composite(im, ((size - s) // 2, (size - s) // 2))
    else:  # grown past the canvas: keep the middle
        m = (s - size) // 2
        out.paste(im.crop((m, m, m + size, m + size)))
    return out


def sparkle(canvas, cx, cy, r, alpha):
    d = ImageDraw.Draw(canvas)
    col = (255, 236, 120, alpha)
    d.line([(cx - r, cy), (cx + r, cy)], fill=col, width=2)
    d.line([(cx, cy - r), (cx, cy + r)], fill=col, width=2)
    d.ellipse([cx - 2, cy - 2, cx + 2, cy + 2], fill=(255, 255, 255, alpha))


def mkdir(*parts):
    p = os.path.join(*parts)
    os.makedirs(p, exist_ok=True)
    return p


# ---------------------------------------------------------------- emoticons

FACE_GROUPS = [
    ("默认", [
        ("😀", "开心"), ("😃", "大笑"), ("😄", "哈哈"), ("😁", "嘻嘻"), ("😆", "乐翻了"), ("😅", "汗"),
        ("😂", "笑哭"), ("🤣", "笑到打滚"), ("😊", "害羞"), ("😇", "天使"), ("🙂", "微笑"), ("😉", "眨眼"),
        ("😍", "花痴"), ("😘", "飞吻"), ("😋", "好吃"), ("😜", "调皮"), ("🤔", "想一想"), ("😎", "酷"),
        ("😏", "得意"), ("😒", "不屑"), ("😔", "失落"), ("😢", "流泪"), ("😭", "大哭"), ("😡", "生气"),
        ("😱", "惊恐"), ("😴", "睡觉"), ("🤗", "拥抱"), ("🤐", "闭嘴"), ("👍", "赞"), ("👏", "鼓掌"),
        ("🙏", "拜托"), ("💪", "加油"),
    ]),
    ("动物", [
        ("🐶", "小狗"), ("🐱", "小猫"), ("🐭", "老鼠"), ("🐰", "兔子"), ("🦊", "狐狸"), ("🐻", "熊"),
        ("🐼", "熊猫"), ("🐯", "老虎"), ("🦁", "狮子"), ("🐷", "小猪"), ("🐸", "青蛙"), ("🐵", "猴子"),
    ]),
    ("美食", [
        ("🍎", "苹果"), ("🍉", "西瓜"), ("🍓", "草莓"), ("🍔", "汉堡"), ("🍟", "薯条"), ("🍕", "披萨"),
        ("🍜", "面条"), ("🍣", "寿司"), ("🍰", "蛋糕"), ("🍭", "棒棒糖"), ("☕", "咖啡"), ("🍺", "干杯"),
    ]),
]


def face_code(ch):
    # Emoticon tokens carry a 32-character code; the code of a picture is the
    # MD5 of its emoji, so it never changes between builds.
    return hashlib.md5(ch.encode("utf-8")).hexdigest()


def make_faces(pic):
    folder = mkdir(pic, "Face")
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<FACESETTING>"]
    for name, faces in FACE_GROUPS:
        lines.append('  <CUSTOMFACEGROUP name="%s">' % name)
        for ch, tip in faces:
            code = face_code(ch)
            # Full size for the chat screens: 32 x 32 with transparency.
            save_gif([scaled(emoji(ch, 30), 1.0, 32)], os.path.join(folder, code + ".gif"))
            # 20 x 20 for the picker; its lower-left pixel gives the mask colour.
            save_bmp(masked(scaled(emoji(ch, 18), 1.0, 20), MAGENTA), os.path.join(folder, code + ".bmp"))
            lines.append('    <FACE id="%s" tip="%s"><FILEORG>%s.gif</FILEORG><FILEFIXED>%s.bmp</FILEFIXED></FACE>'
                         % (code, tip, code, code))
        lines.append("  </CUSTOMFACEGROUP>")
    lines.append("</FACESETTING>")
    with open(os.path.join(folder, "Face.xml"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


# 3D emoticons arrive in chat as a 4-character code; they are only shown.
EMOTION3D = [("0001", "🥳"), ("0002", "😻"), ("0003", "🤩"), ("0004", "😹"),
             ("0005", "🙈"), ("0006", "💃"), ("0007", "🕺"), ("0008", "🎉")]


def make_emotion3d(pic):
    folder = mkdir(pic, "Emotion3D")
    for code, ch in EMOTION3D:
        base = emoji(ch, 40)
        frames = []
        for i in range(8):
            t = i / 8
            f = Image.new("RGBA", (48, 48), (0, 0, 0, 0))
            f.alpha_composite(base.rotate(10 * math.sin(2 * math.pi * t), resample=Image.BICUBIC),
                              (4, int(6 - 5 * abs(math.sin(2 * math.pi * t)))))
            frames.append(f)
        save_gif(frames, os.path.join(folder, code + ".gif"), 100)


# -------------------------------------------------------------------- gifts

GIFT_EMOJI = {
    101: ("🌹", "pulse"), 102: ("🌷", "sway"), 103: ("🌻", "spin"), 104: ("💐", "pulse"),
    201: ("❤️", "beat"), 202: ("💋", "pulse"), 203: ("💘", "sway"), 204: ("💍", "shine"),
    301: ("🍺", "sway"), 302: ("🎂", "shine"), 303: ("🍦", "bounce"), 304: ("🍭", "spin"),
    401: ("🏎️", "drive"), 402: ("🛥️", "float"), 403: ("🏰", "shine"), 404: ("🚀", "rise"),
}


def animation(ch, kind, size=96, frames=10):
    base = emoji(ch, 72)
    out = []
    for i in range(frames):
        t = i / frames
        c = Image.new("RGBA", (size, size), (0, 0, 0, 0))
        if kind == "pulse":
            c = scaled(base, 1.0 + 0.15 * math.sin(2 * math.pi * t), size)
        elif kind == "beat":
            c = scaled(base, 1.0 + (0.22 if i % 5 in (0, 1) else 0.0), size)
        elif kind == "sway":
            c.alpha_composite(base.rotate(12 * math.sin(2 * math.pi * t), resample=Image.BICUBIC), (12, 12))
        elif kind == "spin":
            c.alpha_composite(base.rotate(-360 * t, resample=Image.BICUBIC), (12, 12))
        elif kind == "bounce":
            c.alpha_composite(base, (12, int(14 - 12 * abs(math.sin(math.pi * t)))))
        elif kind == "drive":
            c.alpha_composite(base, (int(12 + 11 * math.sin(2 * math.pi * t)), 12 + (i % 2)))
        elif kind == "float":
            c.alpha_composite(base.rotate(5 * math.sin(2 * math.pi * t), resample=Image.BICUBIC),
                              (12, int(12 + 5 * math.sin(2 * math.pi * t))))
        elif kind == "rise":
            c.alpha_composite(base, (12, int(24 - 30 * t)))
        else:  # shine
            c.alpha_composite(base, (12, 12))
        if kind in ("shine", "pulse", "beat"):
            for k, (sx, sy) in enumerate([(18, 20), (76, 26), (70, 78), (24, 74)]):
                a = int(255 * max(0.0, math.sin(2 * math.pi * (t + k / 4))))
                if a > 40:
                    sparkle(c, sx, sy, 5, a)
        out.append(c)
    return out


def make_gifts(data, pic):
    folder = mkdir(pic, "kelGive")
    with open(os.path.join(data, "Gift.csv"), encoding="utf-8") as f:
        rows = [r for r in csv.reader(line for line in f if line.strip() and not line.startswith("#"))]
    for row in rows[1:]:
        gid = int(row[0])
        if gid not in GIFT_EMOJI:
            raise SystemExit("Gift.csv: no picture is drawn for gift %d" % gid)
        ch, kind = GIFT_EMOJI[gid]
        save_gif([scaled(emoji(ch, 30), 1.0, 32)], os.path.join(folder, row[4].strip()))
        # The chat's gift lines show the same picture from Gift30/.
        save_gif([scaled(emoji(ch, 28), 1.0, 30)], os.path.join(mkdir(pic, "Gift30"), row[4].strip()))
        save_gif(animation(ch, kind), os.path.join(folder, row[5].strip()), 90)


# ------------------------------------------------------------------- levels

LEVEL_EMOJI = {
    "游客": "👤", "注册用户": "🙂", "VIP会员": "⭐", "金卡会员": "🥇", "钻石会员": "💎",
    "临时管理": "👮", "管理员": "🛡️", "室主": "🏠", "站长": "👑",
}


def level_names(data):
    cp = configparser.RawConfigParser(comment_prefixes=(";", "#"), strict=False)
    cp.optionxform = str
    cp.read(os.path.join(data, "UserLevel.ini"), encoding="utf-8")
    return list(cp["UserInRoom"].keys())


def level_icon(ch):
    """Six frames of the level's emoji with a glint passing over it."""
    base = Image.new("RGBA", (18, 18), (0, 0, 0, 0))
    base.alpha_composite(emoji(ch, 16), (1, 1))
    frames = []
    for i in range(6):
        frame = base.copy()
        if i in (2, 3):
            glint = Image.new("RGBA", (18, 18), (0, 0, 0, 0))
            x = 3 + 5 * (i - 2)
            ImageDraw.Draw(glint).line([(x, 15), (x + 7, 2)], fill=(255, 255, 255, 160), width=2)
            # Only where the picture is: the glint takes the picture's outline.
            glint.putalpha(Image.composite(glint.getchannel("A"), Image.new("L", (18, 18), 0), base.getchannel("A")))
            frame.alpha_composite(glint)
        frames.append(frame)
    return frames


def make_levels(data, pic):
    rate = mkdir(pic, "Rate")
    res = mkdir(pic, "Resource")
    for name in level_names(data):
        ch = LEVEL_EMOJI.get(name, "🔹")
        frames = level_icon(ch)
        save_gif(frames, os.path.join(rate, name + ".gif"), 160)
        save_gif(frames, os.path.join(res, name + ".gif"), 160)
    save_bmp(on_background(scaled(emoji("👤", 14), 1.0, 16), (255, 255, 255)), os.path.join(res, "默认头像.bmp"))


# --------------------------------------------------------------- resources

def strip(chars, cell, glyph, mask_colour):
    """A row of emoji pictures, each `cell` wide, for a masked image list."""
    out = Image.new("RGBA", (cell * len(chars), cell), (0, 0, 0, 0))
    for i, ch in enumerate(chars):
        if ch:
            off = (cell - glyph) // 2
            out.alpha_composite(emoji(ch, glyph), (i * cell + off, off))
    return masked(out, mask_colour)


def gradient(size, top, bottom):
    w, h = size
    im = Image.new("RGB", size)
    d = ImageDraw.Draw(im)
    for y in range(h):
        t = y / max(1, h - 1)
        d.line([(0, y), (w, y)], fill=tuple(int(top[k] + (bottom[k] - top[k]) * t) for k in range(3)))
    return im


def rounded_button(size, top, bottom, border, radius=5):
    w, h = size
    g = gradient(size, top, bottom).convert("RGBA")
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, fill=255)
    out = Image.new("RGBA", size, (0, 0, 0, 0))
    out.paste(g, mask=mask)
    ImageDraw.Draw(out).rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, outline=border + (255,), width=1)
    return out




def make_resources(pic):
    res = mkdir(pic, "Resource")
    # The user lists draw mic state k (1..6: public mic, the four private
    # mics, queued) with cell k + 1; cells 0 and 1 are the idle pictures a
    # user record may choose while its user is on no mic.
    save_bmp(strip(["", "", "🎤", "🔓", "👥", "❔", "💰", "⏳"], 16, 14, MAGENTA), os.path.join(res, "ImgsMicType.bmp"))
    heads = ["😀", "😎", "🤠", "🥳", "😺", "🐶", "🐼", "🐰", "🦊", "🐯", "🐸", "🐵", "👦", "👧", "👨", "👩"]
    heads_bmp = strip(heads, 16, 16, MAGENTA)
    save_bmp(heads_bmp, os.path.join(res, "ImgsHead16.bmp"))
    save_bmp(heads_bmp, os.path.join(pic, "ImgsHead16.bmp"))
    # Chat toolbar glyphs in button order: font, emoticons, phrases, fun
    # phrases, flower, loudspeaker, room notice, gift exchange, clear,
    # settings, help, dice.
    tools = ["🔤", "😀", "📝", "😜", "🌹", "📢", "📋", "🎁", "🧹", "⚙️", "❓", "🎲"]
    save_bmp(strip(tools, 18, 16, MAGENTA), os.path.join(res, "ImgsChatMng.bmp"))
    save_bmp(strip(["🎨"], 18, 16, MAGENTA), os.path.join(res, "SkinSet.bmp"))
    save_bmp(strip(["👤", "🛡️", "⭐", "🚫", "🔇", "👢", "🔍", "📋"], 16, 14, MAGENTA), os.path.join(res, "ImgsUserMng.bmp"))
    save_bmp(strip(["🔇"], 12, 12, MAGENTA), os.path.join(res, "ForbidChat.bmp"))

    # Login banner.
    banner = gradient((360, 90), (52, 120, 214), (120, 190, 250)).convert("RGBA")
    d = ImageDraw.Draw(banner)
    for i, ch in enumerate(["🎤", "🎵", "💬", "🎁"]):
        banner.alpha_composite(emoji(ch, 34), (220 + i * 34, 28 - (i % 2) * 10))
    d.text((22, 18), "聊天室", font=cjk(34), fill=(255, 255, 255))
    d.text((24, 62), "唱歌 · 聊天 · 交朋友", font=cjk(13), fill=(230, 242, 255))
    save_bmp(banner.convert("RGB"), os.path.join(res, "HallLogin.bmp"))

    # Video area background.
    vb = gradient((320, 240), (30, 34, 44), (12, 14, 18)).convert("RGBA")
    cam = emoji("📷", 64)
    cam.putalpha(cam.getchannel("A").point(lambda v: v // 3))  # faint
    vb.alpha_composite(cam, (128, 70))
    ImageDraw.Draw(vb).text((114, 150), "等待视频", font=cjk(22), fill=(120, 128, 140))
    save_bmp(vb.convert("RGB"), os.path.join(res, "VideoBack.bmp"))

    # Room window title pictures.
    logo = Image.new("RGBA", (120, 28), (0, 0, 0, 0))
    logo.alpha_composite(emoji("🎤", 24), (2, 2))
    ImageDraw.Draw(logo).text((30, 3), "聊天室", font=cjk(18), fill=(255, 255, 255))
    logo.save(os.path.join(res, "Chat_Logo.png"))
    left = gradient((8, 30), (60, 132, 222), (36, 98, 186))
    left.save(os.path.join(res, "imgRoom_L.png"))
    gradient((4, 30), (60, 132, 222), (36, 98, 186)).save(os.path.join(res, "imgRoom_M.png"))
    left.transpose(Image.FLIP_LEFT_RIGHT).save(os.path.join(res, "imgRoom_R.png"))
    gradient((8, 30), (84, 150, 230), (48, 110, 198)).save(os.path.join(res, "imgRoomDir_L.png"))
    for name, draw in [("Chat_Min.png", "min"), ("Chat_Max.png", "max"), ("Chat_Close.png", "close")]:
        im = rounded_button((22, 20), (96, 160, 236), (52, 114, 200), (34, 84, 160), radius=3)
        dd = ImageDraw.Draw(im)
        w = (255, 255, 255, 255)
        if draw == "min":
            dd.line([(6, 13), (15, 13)], fill=w, width=2)
        elif draw == "max":
            dd.rectangle([6, 5, 15, 14], outline=w, width=2)
        else:
            dd.line([(6, 5), (15, 14)], fill=w, width=2)
            dd.line([(6, 14), (15, 5)], fill=w, width=2)
        im.save(os.path.join(res, name))
    search = Image.new("RGBA", (20, 20), (0, 0, 0, 0))
    search.alpha_composite(emoji("🔍", 18), (1, 1))
    search.save(os.path.join(res, "Search.png"))


def make_control(pic):
    ctl = mkdir(pic, "kelControl")
    for name, ch in [("Audio0.bmp", "🔇"), ("Audio1.bmp", "🎙️"), ("RecVolume.bmp", "🔊"),
                     ("tiaojieyinliang.bmp", "🔉"), ("quxiaoyinliang.bmp", "🔈")]:
        save_bmp(strip([ch], 24, 22, MAGENTA), os.path.join(ctl, name))


def make_laba(pic):
    laba = mkdir(pic, "Laba")
    save_gif([scaled(emoji("📢", 16), 1.0, 18)], os.path.join(laba, "laba_0.gif"))
    save_gif([scaled(emoji("📣", 16), 1.0, 18)], os.path.join(laba, "laba_1.gif"))
    themes = [((255, 236, 179), (255, 204, 128), "🌟"), ((248, 187, 208), (244, 143, 177), "💖"),
              ((187, 222, 251), (144, 202, 249), "🎈")]
    for n, (a, b, ch) in enumerate(themes, start=1):
        frames = []
        small = emoji(ch, 16)
        for i in range(6):
            f = gradient((420, 28), a, b).convert("RGBA")
            for k in range(7):
                x = (k * 64 + i * 10) % 440 - 16
                if 0 <= x <= 404:
                    f.alpha_composite(small, (x, 6 if (k + i) % 2 else 4))
            frames.append(f)
        save_gif(frames, os.path.join(laba, "LabaBk_%d.gif" % n), 150)


def make_dice(pic):
    """Die faces 1..6 (Dice/1.png ...) for showing a dice throw without a
    Flash player."""
    folder = mkdir(pic, "Dice")
    pips = {1: [(1, 1)], 2: [(0, 0), (2, 2)], 3: [(0, 0), (1, 1), (2, 2)], 4: [(0, 0), (2, 0), (0, 2), (2, 2)],
            5: [(0, 0), (2, 0), (1, 1), (0, 2), (2, 2)], 6: [(0, 0), (2, 0), (0, 1), (2, 1), (0, 2), (2, 2)]}
    for n, spots in pips.items():
        im = Image.new("RGBA", (48, 48), (0, 0, 0, 0))
        d = ImageDraw.Draw(im)
        d.rounded_rectangle([3, 5, 45, 47], radius=9, fill=(150, 150, 160, 255))  # shadow edge
        d.rounded_rectangle([2, 2, 44, 44], radius=9, fill=(255, 255, 255, 255), outline=(120, 120, 130, 255), width=2)
        colour = (214, 40, 40, 255) if n in (1, 4) else (30, 30, 36, 255)
        for cx, cy in spots:
            x, y = 11 + cx * 12, 11 + cy * 12
            r = 6 if n == 1 else 4
            d.ellipse([x - r, y - r, x + r, y + r], fill=colour)
        im.save(os.path.join(folder, "%d.png" % n))


# -------------------------------------------------------------------- skins

SKIN_PALETTES = {
    "kelroom": dict(panel=((244, 248, 253), (226, 236, 248)), title=((64, 136, 224), (34, 96, 182)),
                    button=((252, 253, 255), (214, 230, 248), (140, 178, 224)),
                    hover=((255, 255, 255), (196, 220, 248), (92, 148, 214)),
                    down=((70, 130, 206), (46, 104, 182), (30, 80, 150)),
                    tab=((232, 240, 250), (208, 224, 244), (150, 182, 220)),
                    tab_on=((255, 255, 255), (240, 246, 253), (110, 156, 214)),
                    accent=(61, 124, 201), box=(255, 255, 255), line=(156, 184, 217)),
    "night": dict(panel=((44, 48, 56), (30, 33, 39)), title=((58, 62, 72), (34, 37, 43)),
                  button=((74, 80, 92), (52, 57, 66), (100, 108, 122)),
                  hover=((92, 86, 70), (66, 60, 48), (201, 139, 43)),
                  down=((224, 154, 45), (176, 116, 28), (140, 90, 20)),
                  tab=((50, 55, 63), (40, 44, 51), (76, 85, 99)),
                  tab_on=((70, 66, 56), (52, 50, 44), (224, 154, 45)),
                  accent=(224, 154, 45), box=(27, 30, 35), line=(76, 85, 99)),
}


def make_skin(name, qss, work):
    p = SKIN_PALETTES[name]
    out = mkdir(work, name)
    img = mkdir(out, "img")
    shutil.copyfile(qss, os.path.join(out, "skin.qss"))
    gradient((64, 64), *p["panel"]).save(os.path.join(img, "panel.png"))
    gradient((16, 28), *p["title"]).save(os.path.join(img, "title.png"))
    for key, file in [("button", "button.png"), ("hover", "button_hover.png"), ("down", "button_down.png")]:
        top, bottom, border = p[key]
        rounded_button((40, 24), top, bottom, border).save(os.path.join(img, file))
    for key, file in [("tab", "tab.png"), ("tab_on", "tab_on.png")]:
        top, bottom, border = p[key]
        rounded_button((32, 22), top, bottom, border, radius=4).save(os.path.join(img, file))
    top, bottom, border = p["tab"]
    gradient((8, 20), top, bottom).save(os.path.join(img, "header.png"))
    a = p["accent"]
    rounded_button((10, 24), tuple(min(255, c + 40) for c in a), a, tuple(max(0, c - 40) for c in a), radius=4) \
        .save(os.path.join(img, "scroll.png"))
    for file, checked in [("check_off.png", False), ("check_on.png", True)]:
        c = Image.new("RGBA", (14, 14), (0, 0, 0, 0))
        d = ImageDraw.Draw(c)
        d.rounded_rectangle([0, 0, 13, 13], radius=3, fill=(a if checked else p["box"]) + (255,),
                            outline=(p["line"] if not checked else a) + (255,))
        if checked:
            d.line([(3, 7), (6, 10), (11, 3)], fill=(255, 255, 255, 255), width=2)
        c.save(os.path.join(img, file))
    arrow = Image.new("RGBA", (10, 6), (0, 0, 0, 0))
    ImageDraw.Draw(arrow).polygon([(0, 0), (9, 0), (4, 5)], fill=a + (255,))
    arrow.save(os.path.join(img, "arrow_down.png"))
    knob = Image.new("RGBA", (14, 14), (0, 0, 0, 0))
    ImageDraw.Draw(knob).ellipse([0, 0, 13, 13], fill=a + (255,), outline=(255, 255, 255, 255))
    knob.save(os.path.join(img, "slider.png"))
    # The control panel's mic button: the accent colour, a microphone and
    # its caption drawn into the picture.
    mic = rounded_button((80, 20), tuple(min(255, c + 50) for c in a), a, tuple(max(0, c - 50) for c in a), radius=4)
    mic.alpha_composite(emoji("🎤", 14), (8, 3))
    ImageDraw.Draw(mic).text((28, 2), "上麦", font=cjk(13), fill=(255, 255, 255, 255))
    ImageDraw.Draw(mic).polygon([(66, 8), (74, 8), (70, 13)], fill=(255, 255, 255, 255))
    mic.save(os.path.join(img, "buttonmic.png"))


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    data, app, work = sys.argv[1:]
    pic = mkdir(app, "Picture")
    make_faces(pic)
    make_emotion3d(pic)
    make_gifts(data, pic)
    make_levels(data, pic)
    make_resources(pic)
    make_control(pic)
    make_laba(pic)
    make_dice(pic)
    for name in SKIN_PALETTES:
        make_skin(name, os.path.join(data, "Skin", name, "skin.qss"), work)


if __name__ == "__main__":
    main()
