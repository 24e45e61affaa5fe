#!/usr/bin/env python3
"""Writes src/ui/mainform.ui, the main window's Designer form.

The window has a few hundred controls placed on small pages of the 238-pixel left panel; keeping
them in one table-like script is easier to review than hand-edited XML. The output is a normal
Designer file: run this script after changing it and commit both. It is one file on purpose,
past the usual 600 lines: the form is one tree of nested pages whose places depend on each other,
and it is reviewed top to bottom as the window is laid out.

    python3 scripts/gen_mainform_ui.py            # writes src/ui/mainform.ui
"""
import os
import re
import sys
import re
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', 'src', 'ui', 'mainform.ui')

# Width of the pages inside the left panel (238 minus the frames of the nested tab widgets).
PAGE_W = 222


def parameter_bars():
    """The track bars of the engines' parameter tables (colour/colorfilter.cpp and
    geometry/shapetable.cpp), by objectName: (range, start, tick spacing, page step). The form
    takes them from there, so a range is written once."""
    row = re.compile(r'\{"\w+",\s*"(\w+)",\s*(?:"\w+"|nullptr),\s*(-?\d+),\s*(-?\d+),\s*(-?\d+),'
                     r'\s*(-?\d+),\s*(-?\d+),')
    bars = {}
    for table in ('colour/colorfilter.cpp', 'geometry/shapetable.cpp'):
        with open(os.path.join(HERE, '..', 'src', table), encoding='utf-8') as f:
            for m in row.finditer(f.read()):
                low, high, start, tick, page_step = (int(v) for v in m.groups()[1:])
                bars[m.group(1)] = ((low, high), start, tick, page_step)
    return bars


BARS = parameter_bars()


def parameter_captions():
    """The captions of the transform edits (geometry/shapetable.cpp), by the edit's
    objectName: the table names them once for the form and for the messages about their values."""
    row = re.compile(r'\{"\w+",\s*(?:"\w+"|nullptr),\s*"(\w+)",[^\n]*QT_TRANSLATE_NOOP\("TmainForm",\s*"([^"]+)"\)\}')
    with open(os.path.join(HERE, '..', 'src', 'geometry', 'shapetable.cpp'), encoding='utf-8') as f:
        return {m.group(1): m.group(2) for m in row.finditer(f.read())}


CAPTIONS = parameter_captions()

_label_counter = [0]


def _auto_label_name():
    _label_counter[0] += 1
    return 'label%d' % _label_counter[0]


# ---------------------------------------------------------------- XML helpers

# The captions are the Japanese texts the translations start from; a text without Japanese (a
# style sheet, a number or name standing in until the window fills it, "OK") is not translated.
_japanese = re.compile('[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]')


def string_element(parent, value, meaning=None):
    s = ET.SubElement(parent, 'string')
    if not _japanese.search(value):
        s.set('notr', 'true')
    elif meaning:  # tells a translator this use from another of the same text
        s.set('comment', meaning)
    s.text = value
    return s


def prop(w, name, kind, value, meaning=None, **attrs):
    p = ET.SubElement(w, 'property', name=name, **attrs)
    if kind == 'string':
        string_element(p, value, meaning)
    elif kind == 'bool':
        ET.SubElement(p, 'bool').text = 'true' if value else 'false'
    elif kind == 'number':
        ET.SubElement(p, 'number').text = str(value)
    elif kind == 'enum':
        ET.SubElement(p, 'enum').text = value
    elif kind == 'set':
        ET.SubElement(p, 'set').text = value
    elif kind == 'rect':
        r = ET.SubElement(p, 'rect')
        for k, v in zip(('x', 'y', 'width', 'height'), value):
            ET.SubElement(r, k).text = str(v)
    elif kind == 'size':
        s = ET.SubElement(p, 'size')
        ET.SubElement(s, 'width').text = str(value[0])
        ET.SubElement(s, 'height').text = str(value[1])
    elif kind == 'font':
        f = ET.SubElement(p, 'font')
        for k, v in value.items():
            e = ET.SubElement(f, k)
            e.text = ('true' if v else 'false') if isinstance(v, bool) else str(v)
    elif kind == 'sizepolicy':
        sp = ET.SubElement(p, 'sizepolicy', hsizetype=value[0], vsizetype=value[1])
        ET.SubElement(sp, 'horstretch').text = '0'
        ET.SubElement(sp, 'verstretch').text = '0'
    elif kind == 'cursor':
        ET.SubElement(p, 'cursorShape').text = value
    else:
        raise ValueError(kind)
    return p


def attr(w, name, kind, value):
    a = ET.SubElement(w, 'attribute', name=name)
    if kind == 'string':
        string_element(a, value)
    elif kind == 'number':
        ET.SubElement(a, 'number').text = str(value)
    return a


def widget(parent, cls, name, geometry=None):
    w = ET.SubElement(parent, 'widget', {'class': cls, 'name': name})
    if geometry is not None:
        prop(w, 'geometry', 'rect', geometry)
    return w


def layout(parent, cls, name, margins=(0, 0, 0, 0), spacing=None):
    l = ET.SubElement(parent, 'layout', {'class': cls, 'name': name})
    if spacing is not None:
        prop(l, 'spacing', 'number', spacing)
    for k, v in zip(('leftMargin', 'topMargin', 'rightMargin', 'bottomMargin'), margins):
        prop(l, k, 'number', v)
    return l


def item(lay, **attrs):
    return ET.SubElement(lay, 'item', **attrs)


def spacer(lay, name, horizontal=True, size=(0, 0)):
    it = item(lay)
    s = ET.SubElement(it, 'spacer', name=name)
    prop(s, 'orientation', 'enum', 'Qt::Horizontal' if horizontal else 'Qt::Vertical')
    prop(s, 'sizeHint', 'size', size, stdset='0')
    return s


def fixed_size(w, width, height):
    prop(w, 'minimumSize', 'size', (width, height))
    prop(w, 'maximumSize', 'size', (width, height))


def hidden(w):
    prop(w, 'visible', 'bool', False)


# ---------------------------------------------------------------- control helpers

def label(parent, text, geometry, name=None, px=None, bold=False, align=None, frame=False, meaning=None):
    w = widget(parent, 'QLabel', name or _auto_label_name(), geometry)
    if bold and not px:
        prop(w, 'font', 'font', {'bold': True})
    if px:  # pixel sizes go through the style sheet: Designer fonts only carry point sizes
        prop(w, 'styleSheet', 'string', 'font-size: %dpx;%s' % (px, ' font-weight: bold;' if bold else ''))
    if frame:
        prop(w, 'frameShape', 'enum', 'QFrame::StyledPanel')
        prop(w, 'frameShadow', 'enum', 'QFrame::Sunken')
    prop(w, 'text', 'string', text, meaning)
    if align:
        prop(w, 'alignment', 'set', align)
    return w


def value_text(parent, name, text, geometry, align='Qt::AlignLeading|Qt::AlignLeft|Qt::AlignVCenter'):
    return label(parent, text, geometry, name=name, align=align)


def name_text(parent, name, text, geometry, align='Qt::AlignLeading|Qt::AlignLeft|Qt::AlignVCenter'):
    """A value caption for file names: wraps inside long words, shortens what still does not fit."""
    w = value_text(parent, name, text, geometry, align=align)
    w.set('class', 'fittedLabel')
    return w


def slider(parent, name, rng, start, tick, page, geometry, tooltip=None):
    w = widget(parent, 'QSlider', name, geometry)
    prop(w, 'minimum', 'number', rng[0])
    prop(w, 'maximum', 'number', rng[1])
    prop(w, 'pageStep', 'number', page)
    prop(w, 'value', 'number', start)
    prop(w, 'orientation', 'enum', 'Qt::Horizontal')
    prop(w, 'tickPosition', 'enum', 'QSlider::TicksBelow')
    prop(w, 'tickInterval', 'number', tick)
    if tooltip:
        prop(w, 'toolTip', 'string', tooltip)
    return w


def edit(parent, name, text, geometry, read_only=False):
    w = widget(parent, 'QLineEdit', name, geometry)
    prop(w, 'text', 'string', text)
    if read_only:
        prop(w, 'readOnly', 'bool', True)
    return w


def updown(parent, name, geometry):
    w = widget(parent, 'QSpinBox', name, geometry)
    prop(w, 'buttonSymbols', 'enum', 'QAbstractSpinBox::UpDownArrows')
    prop(w, 'showGroupSeparator', 'bool', False, stdset='0')
    prop(w, 'maximum', 'number', 0)
    prop(w, 'styleSheet', 'string', 'QSpinBox { padding: 0px; }')
    return w


def push(parent, name, text, geometry, tooltip=None, bold=False, default=False):
    w = widget(parent, 'QPushButton', name, geometry)
    if bold:
        prop(w, 'font', 'font', {'bold': True})
    if tooltip:
        prop(w, 'toolTip', 'string', tooltip)
    prop(w, 'text', 'string', text)
    if default:
        prop(w, 'default', 'bool', True)
    return w


def image(parent, name, width, height, x=None, y=None, tooltip=None):
    geometry = None if x is None else (x, y, width, height)
    w = widget(parent, 'imageControl', name, geometry)
    fixed_size(w, width, height)
    if tooltip:
        prop(w, 'toolTip', 'string', tooltip)
    return w


def radio_group(parent, name, title, items, start, geometry, side_margins=(6, 4)):
    box = widget(parent, 'QGroupBox', name, geometry)
    prop(box, 'title', 'string', title)
    lay = layout(box, 'QVBoxLayout', name + 'Layout', margins=(side_margins[0], 2 if title else 4, side_margins[1], 2),
                 spacing=0)
    for i, text in enumerate(items):
        it = item(lay)
        rb = widget(it, 'QRadioButton', '%sItem%d' % (name, i))
        prop(rb, 'text', 'string', text)
        if i == start:
            prop(rb, 'checked', 'bool', True)
    return box


def tab_widget(parent, name, geometry=None, bold_tabs=False):
    w = widget(parent, 'QTabWidget', name, geometry)
    prop(w, 'usesScrollButtons', 'bool', True)
    prop(w, 'elideMode', 'enum', 'Qt::ElideNone')
    if bold_tabs:
        # Bold tabs drawn as buttons: this row switches whole pages of the panel.
        prop(w, 'styleSheet', 'string',
             'QTabWidget#{0} > QTabBar {{ font-weight: bold; }}\n'
             'QTabWidget#{0} > QTabBar::tab {{ border: 1px solid #9a9a9a; border-radius: 3px;'
             ' padding: 4px 9px; margin: 2px 1px 3px 1px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,'
             ' stop:0 #fbfbfb, stop:1 #e2e2e2); }}\n'
             'QTabWidget#{0} > QTabBar::tab:selected {{ background: qlineargradient(x1:0, y1:0, x2:0, y2:1,'
             ' stop:0 #d6e4f5, stop:1 #b9cfe9); border-color: #6d8fb8; }}\n'
             'QTabWidget#{0}::pane {{ border: none; }}'.format(name))
    return w


def multi_row_tabs(lay, tabs_name):
    """The tab strip standing above the page control tabs_name; it wraps captions onto more rows."""
    w = widget(item(lay), 'multiRowTabs', tabs_name + 'Tabs')
    prop(w, 'sizePolicy', 'sizepolicy', ('Preferred', 'Fixed'))
    return w


def page(tabs, name, caption):
    p = widget(tabs, 'QWidget', name)
    attr(p, 'title', 'string', caption)
    return p


def set_current(tabs, index):
    # currentIndex must come before the pages in Designer files; insert it after the geometry.
    p = ET.Element('property', name='currentIndex')
    ET.SubElement(p, 'number').text = str(index)
    children = list(tabs)
    pos = 0
    for i, c in enumerate(children):
        if c.tag == 'property':
            pos = i + 1
    tabs.insert(pos, p)


def bar_row(parent, y, caption, bar, value_name, settings=None, label_name=None):
    """A parameter row: the label and the value caption above, the track bar below; the bar's
    range, start, tick spacing and page step from the parameter tables unless given."""
    rng, start, tick, pg = settings or BARS[bar]
    label(parent, caption, (6, y, 150, 16), name=label_name)
    if value_name:
        value_text(parent, value_name, str(start), (160, y, 56, 16),
                   align='Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter')
    slider(parent, bar, rng, start, tick, pg, (2, y + 16, PAGE_W - 6, 28))
    return y + 50


# ---------------------------------------------------------------- the form

def tool_bar(lay):
    it = item(lay)
    bar = widget(it, 'QWidget', 'ToolBar1')
    prop(bar, 'minimumSize', 'size', (0, 30))
    prop(bar, 'maximumSize', 'size', (16777215, 30))
    bl = layout(bar, 'QHBoxLayout', 'ToolBar1Layout', spacing=0)
    sep_count = [0]

    def button(name, hint, symbol, width=30):
        b = widget(item(bl), 'QToolButton', name)
        fixed_size(b, width, 30)
        # No caption: the hint names the button and the program draws its icon (designassets).
        if hint:
            prop(b, 'toolTip', 'string', hint)
        prop(b, 'autoRaise', 'bool', True)

    def separator():
        sep_count[0] += 1
        s = widget(item(bl), 'QFrame', 'ToolBarSeparator%d' % sep_count[0])
        fixed_size(s, 8, 30)
        prop(s, 'frameShape', 'enum', 'QFrame::VLine')
        prop(s, 'frameShadow', 'enum', 'QFrame::Sunken')

    button('fileOpenButton', '画像ファイルを開く', '開')
    button('saveSpeedButton', '上書き保存', '保')
    button('renameSaveSpeedButton', '名前を変えて保存', '名')
    separator()
    button('printSpeedButton', '印刷', '印')
    separator()
    button('SpeedButton6', None, '')
    button('SpeedButton5', None, '')
    button('SpeedButton7', None, '')
    button('SpeedButton8', None, '')
    button('undoButton', '元に戻す', '戻', width=34)
    separator()
    button('informationButton', 'アプリケーション情報', 'i')
    button('theEndButton', 'ファイルを閉じる', '閉')
    separator()
    # The main view's zoom, before/after comparison and the preview on the picture.
    def text_button(name, hint, text, width, checkable=False):
        b = widget(item(bl), 'QToolButton', name)
        fixed_size(b, width, 30)
        prop(b, 'toolTip', 'string', hint)
        prop(b, 'text', 'string', text)
        prop(b, 'autoRaise', 'bool', True)
        if checkable:
            prop(b, 'checkable', 'bool', True)
        return b

    text_button('zoomFitButton', '全体表示', '全体', 40)
    text_button('zoomActualButton', '等倍表示', '等倍', 40)
    z = label(item(bl), '全体', None, name='zoomStaticText', align='Qt::AlignCenter')
    fixed_size(z, 64, 30)
    text_button('compareButton', '補正前と比較（\\ キーを押している間）', '比較', 40, checkable=True)
    c = widget(item(bl), 'QCheckBox', 'viewPreviewCheckBox')
    prop(c, 'text', 'string', '画像でプレビュー')
    prop(c, 'checked', 'bool', True)
    separator()
    pb = widget(item(bl), 'QProgressBar', 'ProgressBar1')
    prop(pb, 'minimumSize', 'size', (202, 16))
    prop(pb, 'maximumSize', 'size', (202, 18))
    prop(pb, 'value', 'number', 0)
    prop(pb, 'textVisible', 'bool', False)
    # Stops the work under way (Escape too); enabled only while there is some.
    cancel = text_button('cancelButton', '実行中の処理を中止（Esc）', '中止', 40)
    prop(cancel, 'enabled', 'bool', False)
    spacer(bl, 'ToolBar1Spacer', size=(40, 20))


def easy_page(tabs):
    p = page(tabs, 'easyTabSheet', '簡単調整')
    buttons = [
        ('clearSpeedButton', 'ビビット'),
        ('grayScaleSpeedButton', 'グレースケール'),
        ('sepiaSpeedButton', 'セピア'),
        ('embossSpeedButton', 'エンボス'),
        ('paintSpeedButton', 'ペイント'),
        ('softFilterSpeedButton', 'ソフトフィルター'),
        ('fringeOutFocusSpeedButton', '周辺ソフト'),
        ('fringeBrightSpeedButton', '周辺暗く'),
        ('grayScale_fringeDarkSpeedButton', 'モノクロ＋周辺暗く'),
        ('sepia_fringeDarkSpeedButton', 'セピア＋周辺暗く'),
        ('sepia_fringeBrightSpeedButton', 'セピア＋周辺明るく'),
    ]
    y = 8
    for name, text in buttons:
        b = widget(p, 'QToolButton', name, (10, y, PAGE_W - 14, 28))
        prop(b, 'text', 'string', text)
        y += 32
    y += 12
    b = widget(p, 'QToolButton', 'undoSpeedButton', (10, y, PAGE_W - 14, 28))
    prop(b, 'toolTip', 'string', '元に戻す')
    prop(b, 'text', 'string', '元に戻す')


def colour_page(tabs):
    p = page(tabs, 'colorTabSheet', 'カラー')
    image(p, 'sampleColorImage', 180, 129, 6, 6)
    label(p, '彩度：', (6, 140, 36, 24))
    slider(p, 'colorChromaTrackBar', (0, 255), 255, 32, 16, (40, 138, 146, 28), tooltip='彩度調整')
    value_text(p, 'colorChromaStaticText', '255', (188, 140, 30, 24),
               align='Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter')

    def readouts(prefix, y):
        rows = [('R（赤）', 'R', '明度', 'V'), ('G（緑）', 'G', '彩度', 'S'), ('B（青）', 'B', '色相', 'H')]
        for i, (l1, k1, l2, k2) in enumerate(rows):
            yy = y + i * 17
            label(p, l1, (60, yy, 44, 16))
            value_text(p, '%s%sStaticText' % (prefix, k1), '0', (104, yy, 28, 16),
                       align='Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter')
            label(p, l2, (142, yy, 30, 16), meaning='HSV readout')
            value_text(p, '%s%sStaticText' % (prefix, k2), '0', (174, yy, 28, 16),
                       align='Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter')

    image(p, 'choiceColorImage', 50, 50, 6, 172)
    readouts('choiceColor', 172)
    label(p, '描画色', (6, 228, 80, 16))
    image(p, 'paintColorImage', 50, 50, 6, 246)
    readouts('drawColor', 246)
    label(p, 'カラーパレット', (6, 304, 120, 16))
    for n in range(1, 31):
        row, col = divmod(n - 1, 10)
        image(p, 'paletImage%d' % n, 12, 12, 6 + col * 16, 322 + row * 16)


def editing_list_page(tabs):
    p = page(tabs, 'editingListTabSheet', '編集画像一覧')
    full = '１２３４５'
    close_names = ['editCloseButton1', 'editCloseButton2', 'editCloseButton3', 'editCloseButton4',
                   'editCloseButton15']
    for i in range(5):
        n = i + 1
        y = 4 + i * 78
        image(p, 'editingSampleImage%d' % n, 70, 70, 4, y)
        name_text(p, 'editingFileStaticText%d' % n, 'ファイル名.jpeg', (80, y, PAGE_W - 82, 16))
        label(p, '幅', (80, y + 18, 30, 16), meaning='short')
        value_text(p, 'imageWidthStaticText%d' % n, '0', (112, y + 18, 60, 16))
        label(p, '高さ', (80, y + 34, 30, 16), meaning='short')
        value_text(p, 'imageHeightStaticText%d' % n, '0', (112, y + 34, 60, 16))
        push(p, 'editChangeButton%d' % n, '選択', (80, y + 50, 64, 22),
             tooltip='イメージ%sを表示' % full[i], bold=True)
        push(p, close_names[i], '×', (150, y + 50, 28, 22), tooltip='イメージ%dを閉じる' % n)


def information_page(tabs):
    p = page(tabs, 'imageInformationTabSheet', '画像情報')
    # Labels right-aligned in a column of LABEL_W; the values beside them wrap onto more lines
    # where cameras write long texts (maker and model names).
    LABEL_W = 104
    VALUE_X = LABEL_W + 2
    y = 4
    label(p, '基本情報', (4, y, 200, 16), bold=True)
    y += 18
    rows = [('幅　：', 'widthStaticText', 'width'), ('高さ　：', 'heightStaticText', 'height'),
            ('画素数　：', 'pixelsStaticText', 'Pixels')]
    for text, name, design in rows:
        label(p, text, (0, y, LABEL_W, 16), align='Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter')
        value_text(p, name, design, (VALUE_X, y, PAGE_W - VALUE_X, 16))
        y += 17
    y += 8
    label(p, 'デジタルカメラ情報（Exif情報）', (4, y, 214, 16), bold=True)
    y += 18
    rows = [('Exifバージョン　：', 'exifVersionStaticText', 'exifVersion', 1),
            ('メーカー名　：', 'makerNameStaticText', 'makerName', 2),
            ('機種名　：', 'modelNameStaticText', 'modelName', 3),
            ('撮影日時　：', 'dateTimeStaticText', 'dateTime', 1),
            ('シャッター速度：', 'shutterSpeedValueStaticText', 'shutterSpeedValue', 1),
            ('絞り　：', 'apertureValueStaticText', 'apertureValue', 1),
            ('露出モード　：', 'exposureModeStaticText', 'exposureMode', 1),
            ('測光モード　：', 'meteringModeStaticText', 'meteringMode', 1),
            ('ISO感度　：', 'ISOSpeedRatingsStaticText', 'ISOSpeedRatings', 1),
            ('焦点距離　：', 'FocalLengthStaticText', 'FocalLength', 1),
            ('開放F値　：', 'maxApertureValueStaticText', 'maxApertureValue', 1),
            ('撮影距離　：', 'subjectDistanceStaticText', 'subjectDistance', 1),
            ('フラッシュ　：', 'useFlashStaticText', 'useFlash', 1)]
    for text, name, design, lines in rows:
        label(p, text, (0, y, LABEL_W, 16), align='Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter')
        height = 16 if lines == 1 else 12 * lines + 4
        w = value_text(p, name, design, (VALUE_X, y, PAGE_W - VALUE_X, height),
                       align='Qt::AlignLeading|Qt::AlignLeft|Qt::Align%s' % ('VCenter' if lines == 1 else 'Top'))
        if lines > 1:
            prop(w, 'wordWrap', 'bool', True)
        y += height + 1
    y += 8
    label(p, 'ファイル名　：', (4, y, 100, 16), bold=True)
    y += 18
    w = name_text(p, 'fileNameStaticText', 'fileName', (10, y, PAGE_W - 12, 46),
                   align='Qt::AlignLeading|Qt::AlignLeft|Qt::AlignTop')
    prop(w, 'wordWrap', 'bool', True)


def brush_page(tabs, sheet, caption, prefix, sample, shape):
    """A brush's settings: size, density and profile shape, its sample dab and its profile graph."""
    p = page(tabs, sheet, caption)
    rows = [('太さ：', 'Size', (3, 200), 10, 20, 10), ('濃さ：', 'Density', (0, 100), 10, 10, 10),
            ('濃度分布形状：', 'Shape', (-10, 10), 0, 2, 2)]
    y = 4
    for text, key, rng, start, tick, pg in rows:
        bar_row(p, y, text, '%s%sTrackBar' % (prefix, key), '%s%sStaticText' % (prefix, key), (rng, start, tick, pg))
        y += 48
    label(p, 'サンプル', (6, y, 120, 16))
    image(p, sample, 201, 201, 6, y + 18)
    y += 222
    label(p, 'ブラシ濃度分布形状', (6, y, 160, 16))
    image(p, shape, 201, 105, 6, y + 18)


def settings_page(tabs):
    p = page(tabs, 'settingTabSheet', '設定')
    lay = layout(p, 'QVBoxLayout', 'settingTabSheetLayout', margins=(2, 2, 2, 2), spacing=0)
    multi_row_tabs(lay, 'PageControl5')
    inner = tab_widget(item(lay), 'PageControl5')
    set_current(inner, 2)
    colour_page(inner)
    page(inner, 'emptyTabSheet', '!')
    editing_list_page(inner)
    information_page(inner)
    brush_page(inner, 'waterBrushTabSheet', '? 水彩ブラシ', 'wateBrush', 'waterBrushSampleImage', 'wateBrushShapeImage')
    brush_page(inner, 'airBrushTabSheet', '~ エアブラシ', 'airBrush', 'airBrushSampleImage', 'airBrushShapeImage')


# ---- the parameter pages

def adjust_pages(tabs):
    p = page(tabs, 'adjustTabSheet', '調整')
    lay = layout(p, 'QVBoxLayout', 'adjustTabSheetLayout', margins=(0, 2, 0, 0), spacing=0)
    multi_row_tabs(lay, 'imageAdjustPageControl')
    inner = tab_widget(item(lay), 'imageAdjustPageControl')
    set_current(inner, 2)

    q = page(inner, 'brightChromaTabSheet', '明度、彩度')
    y = 4
    y = bar_row(q, y, '明度', 'brightTrackBar', 'brightStaticText')
    y = bar_row(q, y, '彩度', 'chromaTrackBar', 'chromaStaticText')
    y = bar_row(q, y, '色相', 'hueTrackBar', 'hueStaticText')

    q = page(inner, 'rgbTabSheet', 'RGB調整')
    y = 4
    y = bar_row(q, y, 'R（赤）', 'redTrackBar', 'redStaticText')
    y = bar_row(q, y, 'G（緑）', 'greenTrackBar', 'greenStaticText')
    y = bar_row(q, y, 'B（青）', 'blueTrackBar', 'blueStaticText')

    q = page(inner, 'toneCurveTabSheet', 'トーンカーブ')
    image(q, 'toneCntImg', 132, 132, 4, 4)
    label(q, 'カーブ種類', (140, 4, 80, 16))
    radio_group(q, 'toneCurveRadioGroup', '', ['Ｓカーブ', '傾斜', 'ポイント', 'ガンマ'], 0, (136, 20, 86, 86),
                side_margins=(4, 2))
    push(q, 'curveResetButton', 'カーブリセット', (140, 110, 80, 24))
    slider(q, 'toneTrackBar', *BARS['toneTrackBar'], (2, 140, PAGE_W - 6, 28))
    value_text(q, 'toneValue', '0', (6, 170, 80, 16))


def effect_one_pages(tabs):
    p = page(tabs, 'effectOneTabSheet', '効果1')
    lay = layout(p, 'QVBoxLayout', 'effectOneTabSheetLayout', margins=(0, 2, 0, 0), spacing=0)
    multi_row_tabs(lay, 'imageEffectOnePageControl')
    inner = tab_widget(item(lay), 'imageEffectOnePageControl')
    set_current(inner, 3)

    q = page(inner, 'fringeOutFocusTabSheet', '縁取ボケ')
    y = 4
    y = bar_row(q, y, '強さ', 'outFocusDensityTrackBar', 'outFocusDensityStaticText')
    y = bar_row(q, y, 'サイズ', 'outFocusSizeTrackBar', 'outFocusSizeSizeStaticText')

    q = page(inner, 'mnochromeTabSheet', '縁取明暗')
    y = 4
    y = bar_row(q, y, '強さ', 'fringeLevelTrackBar', 'fringeLeveStaticText')
    y = bar_row(q, y, 'サイズ', 'fringeSizeTrackBar', 'fringeSizeStaticText')
    radio_group(q, 'fringeShapeRadioGroup', '', ['円形', '四角'], 0, (6, y + 4, 120, 48))

    q = page(inner, 'peintTabSheet', 'ペイント')
    y = 4
    y = bar_row(q, y, 'サイズ', 'paintTrackBar', 'paintStaticText')
    radio_group(q, 'paintRadioGroup', '', ['ノーマル', '点描'], 0, (6, y + 4, 120, 48))

    q = page(inner, 'softTabSheet', 'ソフト')
    y = 4
    y = bar_row(q, y, 'サイズ', 'softSizeTrackBar', 'softSizeStaticText')
    y = bar_row(q, y, '芯の強さ', 'softCoreLevelTrackBar', 'softCoreLevelStaticText')

    q = page(inner, 'embossTabSheet', 'エンボス')
    y = 4
    y = bar_row(q, y, '深さ', 'embosseLevelTrackBar', 'embosseLevelStaticText')
    radio_group(q, 'embosseAngleRadioGroup', '凹凸方向',
                ['０度', '４５度', '９０度', '１３５度', '１８０度', '２２５度', '２７０度'], 0,
                (6, y + 2, 120, 148))

    q = page(inner, 'mosaicTabSheet', 'モノクロ')
    radio_group(q, 'monoColorRadioGroup', '', ['グレースケール', 'セピア', '描画色(描画色でモノクロ化）'], 0,
                (6, 6, PAGE_W - 12, 70))


def effect_two_pages(tabs):
    p = page(tabs, 'effectTwoTabSheet', '効果2')
    lay = layout(p, 'QVBoxLayout', 'effectTwoTabSheetLayout', margins=(0, 2, 0, 0), spacing=0)
    multi_row_tabs(lay, 'imageEffectTwoPageControl')
    inner = tab_widget(item(lay), 'imageEffectTwoPageControl')
    set_current(inner, 2)

    q = page(inner, 'resizeTabSheet', 'シャープ')
    bar_row(q, 4, '強さ', 'edgeTrackBar', 'edgeStaticText')
    q = page(inner, 'levelDounTabSheet', '階調')
    bar_row(q, 4, '階調数', 'colorLevelTrackBar', 'colorLevelStaticText')
    q = page(inner, 'mosaicTabSheetTabSheet', 'モザイク')
    bar_row(q, 4, 'サイズ', 'mosaicTrackBar', 'mosaicStaticText')
    q = page(inner, 'vibrateTabSheet', 'ブレ')
    y = bar_row(q, 4, '角度', 'vibrateAngleTrackBar', 'vibrateAngleStaticText')
    bar_row(q, y, 'サイズ', 'vibrateSizeTrackBar', 'vibrateSizeStaticText')
    q = page(inner, 'medianFilterTabSheet', 'ノイズ除去')
    bar_row(q, 4, 'サイズ', 'medianTrackBar', 'medianStaticText')


# The transform pages; `prefix` builds the unconnected copies on the trapezoid page's inner tabs.

def n(prefix, name):
    return prefix + name[0].upper() + name[1:] if prefix else name


def size_controls(q, prefix=''):
    for row, key in enumerate(('vertical', 'horizontal')):
        y = 8 + row * 30
        label(q, CAPTIONS[key + 'MagPixelEdit'], (4, y, 30, 22), name=n(prefix, key + 'MagLabel'), meaning='short')
        edit(q, n(prefix, key + 'MagParcentEdit'), '0', (34, y, 62, 22))
        label(q, '％', (98, y, 16, 22), name=n(prefix, key + 'ParcentUnitLabel'))
        edit(q, n(prefix, key + 'MagPixelEdit'), '0', (116, y, 56, 22))
        label(q, 'ピクセル', (174, y, 46, 22), name=n(prefix, key + 'PixelUnitLabel'))
    c = widget(q, 'QCheckBox', n(prefix, 'reSizeRatioCheckBox'), (4, 70, 200, 22))
    prop(c, 'text', 'string', '縦横比を保持')
    prop(c, 'checked', 'bool', True)


def rotate_controls(q, prefix=''):
    radio_group(q, n(prefix, 'rotateAngleRadioGroup'), '回転方法',
                ['角度指定', '右９０度', '左９０度', '１８０度', '左右反転', '上下反転'], 0,
                (4, 4, PAGE_W - 10, 126))
    label(q, CAPTIONS['rotateEdit'], (6, 136, 60, 22), name=n(prefix, 'rotateAngleStaticText'))
    edit(q, n(prefix, 'rotateEdit'), '0', (70, 136, 70, 22))
    slider(q, n(prefix, 'rotateTrackBar'), *BARS['rotateTrackBar'], (2, 160, PAGE_W - 6, 28))


def triming_controls(q, prefix=''):
    boxes = [('upper', 4, 4), ('left', 112, 4), ('lower', 4, 46), ('right', 112, 46)]
    for key, x, y in boxes:
        label(q, CAPTIONS[key + 'TrimingLabeledEdit'], (x, y, 90, 16), name=n(prefix, key + 'TrimingLabeledEditLabel'))
        edit(q, n(prefix, key + 'TrimingLabeledEdit'), '0', (x, y + 16, 72, 22), read_only=True)
        updown(q, n(prefix, key + 'TrimingUpDown'), (x + 72, y + 16, 17, 22))
    rows = [('トリミング前幅：', 'preTrimingImageWidthStaticText'),
            ('トリミング前高さ：', 'preTrimingImageHeightStaticText'),
            ('トリミング前画素数：', 'preTrimingImagePixelText'),
            ('トリミング後幅：', 'postTrimingImageWidthStaticText'),
            ('トリミング後高さ：', 'postTrimingImageHeightStaticText'),
            ('トリミング後画素数：', 'postTrimingImagePixelStaticText')]
    y = 94
    for caption, name in rows:
        label(q, caption, (4, y, 118, 16), name=n(prefix, name + 'Label'))
        value_text(q, n(prefix, name), '0', (124, y, 94, 16))
        y += 17


def slider_edit_page(q, label_name, edit_name, bar, y=6):
    label(q, CAPTIONS[edit_name], (6, y, 70, 22), name=label_name)
    edit(q, edit_name, '0', (80, y, 70, 22))
    slider(q, bar, *BARS[bar], (2, y + 26, PAGE_W - 6, 28))


def transform_pages(tabs):
    p = page(tabs, 'transformTabSheet', '変形')
    lay = layout(p, 'QVBoxLayout', 'transformTabSheetLayout', margins=(0, 2, 0, 0), spacing=0)
    multi_row_tabs(lay, 'imageTransformPageControl')
    inner = tab_widget(item(lay), 'imageTransformPageControl')
    set_current(inner, 5)

    size_controls(page(inner, 'magnifyTabSheet', 'サイズ'))
    rotate_controls(page(inner, 'rotateTabSheet', '回転'))
    triming_controls(page(inner, 'trimingTabSheet', 'トリミング'))
    slider_edit_page(page(inner, 'slopeTabSheet', '傾斜'), 'slopeBalanceLabel',
                     'slopeBalanceEdit', 'slopeBalanceTrackBar')

    q = page(inner, 'perspectiveTabSheet', '台形')
    ql = layout(q, 'QVBoxLayout', 'perspectiveTabSheetLayout', margins=(0, 2, 0, 0), spacing=0)
    multi_row_tabs(ql, 'perspectivePageControl')
    nested = tab_widget(item(ql), 'perspectivePageControl')
    set_current(nested, 3)
    size_controls(page(nested, 'perspectiveMagnifyTabSheet', 'サイズ'), prefix='perspectiveCopy')
    rotate_controls(page(nested, 'perspectiveRotateTabSheet', '回転'), prefix='perspectiveCopy')
    triming_controls(page(nested, 'perspectiveTrimingTabSheet', 'トリミング'), prefix='perspectiveCopy')
    slider_edit_page(page(nested, 'perspectiveSlopeTabSheet', '傾斜'), 'perspectiveLabel',
                     'perspectiveEdit', 'perspectiveTrackBar')
    page(nested, 'perspectiveEmptyTabSheet1', '台形')
    page(nested, 'perspectiveEmptyTabSheet2', '歪曲')

    slider_edit_page(page(inner, 'distortionTabSheet', '歪曲'), 'distortoinLabel',
                     'distortoinEdit', 'distortoinTrackBar')


def detail_page(tabs):
    p = page(tabs, 'detailTabSheet', '詳細調整')
    lay = layout(p, 'QVBoxLayout', 'detailTabSheetLayout', margins=(2, 2, 2, 4), spacing=3)
    ops = tab_widget(item(lay), 'imageOperationPageControl')
    prop(ops, 'sizePolicy', 'sizepolicy', ('Expanding', 'Expanding'))
    set_current(ops, 2)
    adjust_pages(ops)
    effect_one_pages(ops)
    effect_two_pages(ops)
    transform_pages(ops)
    # Luminance and RGB histogram of what the main view shows.
    image(item(lay, alignment='Qt::AlignHCenter'), 'histogramImage', 226, 64, tooltip='ヒストグラム（輝度と RGB）')
    label(widget_holder(lay), 'サンプルイメージ', None, name='sampleImageLabel')
    it = item(lay, alignment='Qt::AlignHCenter')
    image(it, 'sampleImage', 205, 205)
    push(item(lay), 'executeButton', '画像処理実行', None)


def widget_holder(lay):
    return item(lay)


def main_form():
    ui = ET.Element('ui', version='4.0')
    ET.SubElement(ui, 'class').text = 'TmainForm'
    form = widget(ui, 'QMainWindow', 'TmainForm', (0, 0, 1008, 706))
    prop(form, 'minimumSize', 'size', (1008, 706))
    prop(form, 'maximumSize', 'size', (1984, 1963))
    prop(form, 'windowTitle', 'string', 'Korvia')

    central = widget(form, 'QWidget', 'centralwidget')
    cl = layout(central, 'QVBoxLayout', 'centralLayout', spacing=0)
    tool_bar(cl)
    body = layout(item(cl), 'QHBoxLayout', 'bodyLayout', spacing=0)

    p1 = widget(item(body), 'QWidget', 'Panel1')
    prop(p1, 'minimumSize', 'size', (238, 0))
    prop(p1, 'maximumSize', 'size', (238, 16777215))
    pl = layout(p1, 'QVBoxLayout', 'Panel1Layout', margins=(0, 0, 0, 0))
    main_tabs = tab_widget(item(pl), 'mainPageControl', bold_tabs=True)
    set_current(main_tabs, 0)
    easy_page(main_tabs)
    settings_page(main_tabs)
    detail_page(main_tabs)

    p2 = widget(item(body), 'QWidget', 'Panel2')
    prop(p2, 'sizePolicy', 'sizepolicy', ('Expanding', 'Expanding'))
    l2 = layout(p2, 'QVBoxLayout', 'Panel2Layout', margins=(0, 0, 0, 0))
    mi = widget(item(l2), 'imageControl', 'mainImage')
    prop(mi, 'sizePolicy', 'sizepolicy', ('Expanding', 'Expanding'))

    sb = widget(form, 'QStatusBar', 'StatusBar1')

    cws = ET.SubElement(ui, 'customwidgets')
    cw = ET.SubElement(cws, 'customwidget')
    ET.SubElement(cw, 'class').text = 'imageControl'
    ET.SubElement(cw, 'extends').text = 'QWidget'
    ET.SubElement(cw, 'header').text = 'ui/widgets/imagecontrol.h'
    cw = ET.SubElement(cws, 'customwidget')
    ET.SubElement(cw, 'class').text = 'fittedLabel'
    ET.SubElement(cw, 'extends').text = 'QLabel'
    ET.SubElement(cw, 'header').text = 'ui/widgets/statictext.h'
    cw = ET.SubElement(cws, 'customwidget')
    ET.SubElement(cw, 'class').text = 'multiRowTabs'
    ET.SubElement(cw, 'extends').text = 'QWidget'
    ET.SubElement(cw, 'header').text = 'ui/widgets/pagecontrol.h'
    ET.SubElement(ui, 'resources')
    ET.SubElement(ui, 'connections')
    return ui


def write(ui, path):
    ET.indent(ui, space=' ')
    data = ET.tostring(ui, encoding='unicode')
    with open(path, 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n')
        f.write(data)
        f.write('\n')


if __name__ == '__main__':
    write(main_form(), sys.argv[1] if len(sys.argv) > 1 else OUT)
