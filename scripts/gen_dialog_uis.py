#!/usr/bin/env python3
"""Writes the two small dialog forms, src/ui/jpegqualityform.ui and src/ui/aboutbox.ui, with the
absolute control positions of the dialogs. Run after changing it and commit both outputs."""
import os
import xml.etree.ElementTree as ET

import gen_mainform_ui as g

UI = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src', 'ui')


def dialog(cls, title, width, height):
    ui = ET.Element('ui', version='4.0')
    ET.SubElement(ui, 'class').text = cls
    form = g.widget(ui, 'QDialog', cls, (0, 0, width, height))
    g.fixed_size(form, width, height)
    g.prop(form, 'windowTitle', 'string', title)
    return ui, form


def finish(ui):
    cws = ET.SubElement(ui, 'customwidgets')
    cw = ET.SubElement(cws, 'customwidget')
    ET.SubElement(cw, 'class').text = 'imageControl'
    ET.SubElement(cw, 'extends').text = 'QWidget'
    ET.SubElement(cw, 'header').text = 'ui/widgets/imagecontrol.h'
    ET.SubElement(ui, 'resources')
    ET.SubElement(ui, 'connections')
    return ui


def quality_form():
    ui, f = dialog('TjpegQualityForm', 'JPEG保存画質設定', 340, 217)
    g.image(f, 'Image11', 60, 40, 8, 8)
    g.label(f, '低画質', (74, 8, 49, 20), name='StaticText1')
    g.label(f, '高画質', (209, 8, 49, 20), name='StaticText2')
    g.image(f, 'Image12', 60, 40, 264, 8)
    g.label(f, 'ファイルサイズ小', (68, 31, 79, 17), name='StaticText3', px=11)
    g.label(f, 'ファイルサイズ大', (179, 31, 79, 17), name='StaticText4', px=11)
    for i, x in enumerate((8, 74, 140, 206, 272)):
        g.image(f, 'Image%d' % (i + 1), 60, 60, x, 54)
    g.slider(f, 'jpegQualitTrackBar', (1, 100), 100, 10, 10, (8, 117, 315, 33))
    g.label(f, '保存画質', (58, 153, 64, 20), name='StaticText5')
    w = g.label(f, '100', (128, 151, 36, 20), name='jpegQualityStaticText', frame=True,
                align='Qt::AlignCenter')
    g.fixed_size(w, 36, 20)
    g.label(f, '（推奨値８０以上）', (179, 151, 115, 20), name='StaticText6')
    g.push(f, 'okButton', 'OK', (128, 184, 75, 25), default=True)
    return finish(ui)


def about_box():
    ui, f = dialog('TAboutBox', 'バージョン情報', 326, 230)
    g.image(f, 'Image1', 326, 230, 0, 0)
    g.push(f, 'OKButton', 'OK?', (119, 196, 75, 25), default=True)
    return finish(ui)


if __name__ == '__main__':
    g.write(quality_form(), os.path.join(UI, 'jpegqualityform.ui'))
    g.write(about_box(), os.path.join(UI, 'aboutbox.ui'))
