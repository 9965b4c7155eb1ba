#pragma once

#include <QRect>
#include <QString>

namespace widgets {

// What a component of a form is; a custom one is made by the form itself (see FormBuilder).
enum class Kind
{
    Label,
    Text, // a label whose text wraps to its width, from the top
    Button,
    Edit,     // one line, taking only what Windows-1251 can carry
    ComboBox, // editable, its edit taking only what Windows-1251 can carry
    Panel,    // a raised panel
    Bevel,    // a sunken line
    Frame,    // a plain area in the window's colour
    Memo,     // several lines
    Table,
    Tabs,
    Page, // a page of the Tabs item it sits in, its text the tab's caption
    Custom,
};

// What a component does when the window, or the item it sits in, is made larger or smaller
// than designed: it keeps its place and size, grows with it, or follows its right or bottom edge.
enum Growth : unsigned
{
    Fixed = 0,
    Wider = 1,
    Taller = 2,
    WiderAndTaller = Wider | Taller,
    FollowsRight = 4,
    FollowsBottom = 8,
};

// A font as the forms name it: the family the form was drawn with, a size, a style. An empty
// one is the font of the item the component sits in.
struct FontStyle
{
    enum Family
    {
        Inherited,
        Sans,  // "MS Sans Serif"
        Serif, // "Times New Roman"
    };
    Family family = Inherited;
    int points = 0;
    int pixels = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// One component of a form. A zero width or height in `rect` is the component's own (a label
// as long as its text); a label or button given a width narrows its text to fit it. `tab` is the
// place in the form's tab order, 0 for none; `parent` the item it sits in, empty for the form.
struct FormItem
{
    Kind kind;
    QString name;
    QString text;
    QRect rect;
    FontStyle font = {};
    int tab = 0;
    unsigned growth = Fixed;
    QString parent = {};
};

} // namespace widgets
