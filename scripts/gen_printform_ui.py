#!/usr/bin/env python3
"""Writes src/ui/print/printform.ui, the print settings window, with its absolute control positions.
Run after changing it and commit both."""
import os
import xml.etree.ElementTree as ET

import gen_mainform_ui as g
from gen_dialog_uis import dialog, finish

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src', 'ui', 'print', 'printform.ui')

VALUE = 'Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter'


def size_group(f, name, title, y, width_name, height_name):
    box = g.widget(f, 'QGroupBox', name, (520, y, 196, 72))
    g.prop(box, 'title', 'string', title)
    for row, (caption, text_name) in enumerate((('幅', width_name), ('高さ', height_name))):
        g.label(box, caption, (12, 22 + row * 24, 48, 20))
        g.label(box, '0', (64, 22 + row * 24, 96, 20), name=text_name, frame=True, align=VALUE)


def print_form():
    ui, f = dialog('TprintWindow', '印刷設定', 724, 515)
    g.image(f, 'printImage', 500, 499, 8, 8)
    g.radio_group(f, 'printDirectionRadioGroup', '用紙方向', ['縦', '横'], 0, (520, 8, 196, 62))
    g.label(f, '印刷枚数', (520, 80, 72, 22))
    g.label(f, '1', (600, 80, 52, 22), name='printNumStaticText', frame=True, align=VALUE)
    spin = g.updown(f, 'printNumUpDown', (654, 80, 18, 22))
    g.prop(spin, 'minimum', 'number', 1)
    g.prop(spin, 'maximum', 'number', 100)
    g.prop(spin, 'value', 'number', 1)
    g.label(f, 'プリンター名', (520, 110, 196, 18))
    name = g.name_text(f, 'printerNameStaticText', 'printer Name', (520, 130, 196, 44),
                       align='Qt::AlignLeading|Qt::AlignLeft|Qt::AlignTop')
    g.prop(name, 'frameShape', 'enum', 'QFrame::StyledPanel')
    g.prop(name, 'frameShadow', 'enum', 'QFrame::Sunken')
    size_group(f, 'imageSizeGroupBox', 'イメージサイズ（mm）', 184, 'imageWidthStaticText', 'imageHeightStaticText')
    size_group(f, 'printLimitGroupBox', '印刷範囲（mm）', 264, 'printLimitWidthStaticText',
               'printLimitHeightStaticText')
    g.push(f, 'adjustSpeedButton', 'プリンタ調整', (520, 350, 196, 32), tooltip='プリンタ調整')
    g.push(f, 'gobackSpeedButton', '初期値に戻す', (520, 390, 196, 32), tooltip='初期値に戻す')
    g.push(f, 'printExecuteSpeedButton', '印刷実行', (520, 467, 196, 40), tooltip='印刷実行', bold=True,
           default=True)
    ui = finish(ui)
    cws = ui.find('customwidgets')
    cw = ET.SubElement(cws, 'customwidget')
    ET.SubElement(cw, 'class').text = 'fittedLabel'
    ET.SubElement(cw, 'extends').text = 'QLabel'
    ET.SubElement(cw, 'header').text = 'ui/widgets/statictext.h'
    return ui


if __name__ == '__main__':
    g.write(print_form(), OUT)
