#!/usr/bin/env python3
"""The Windows program's stage: 4vt.exe installed and used under Wine as a bookkeeper would.

winapp.py --stage DIR --build WINBUILD --linux-build LINUXBUILD --fake-buh EXE --cpack CPACK
          [--display :N] STEP

Steps, in this order (each leaves the prefix to the next): setup, no_accounting_program,
second_start, settings, generation, looks, uninstall, down. The prefix, the X server's log, the screenshots
(shots/) and everything compared live in the stage folder. A failure names what it waited for,
the windows that were there and the screenshot taken at that moment.
"""

import argparse
import glob
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ARGS = None
KEY = r'HKEY_CURRENT_USER\Software\KVOR\4vt\Options'
INSTALL = r'C:\Program Files\4VT'
UNINSTALL_KEY = r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\4vt-setup'
# Wine's own dialogs ask for Tahoma and MS Shell Dlg; the program for the other three.
FONTS = {'Arial': 'Liberation Sans', 'MS Sans Serif': 'Liberation Sans',
         'Times New Roman': 'Liberation Serif', 'Tahoma': 'Liberation Sans',
         'MS Shell Dlg': 'Liberation Sans', 'MS Shell Dlg 2': 'Liberation Sans'}
SHOT_COUNT = [0]


class StageError(Exception):
    pass


# ---- where things are ---------------------------------------------------------------------

def stage(*parts):
    return os.path.join(ARGS.stage, *parts)


def prefix(*parts):
    return stage('prefix', *parts)


def unix_path(windows_path):
    """The file behind a C:\\ path of the prefix."""
    drive, rest = windows_path[0].lower(), windows_path[3:].replace('\\', '/')
    assert drive == 'c', windows_path
    return prefix('drive_c', rest)


def temp_folders():
    """Where the system's temporary folder may be: Wine 8 gives TEMP as %USERPROFILE%\\Temp."""
    return [d for d in glob.glob(prefix('drive_c', 'users', '*', 'Temp')) +
            glob.glob(prefix('drive_c', 'users', '*', 'AppData', 'Local', 'Temp'))
            if '/Public/' not in d]


def state():
    with open(stage('state.json')) as f:
        return json.load(f)


def env(**extra):
    e = dict(os.environ)
    for name in ('WAYLAND_DISPLAY', 'FVT_FAKE_BOOKS', 'FVT_FAKE_STARTS', 'FVT_FAKE_REQUESTS'):
        e.pop(name, None)
    e.update(WINEPREFIX=prefix(), WINEARCH='win64', WINEDEBUG='-all',
             WINEDLLOVERRIDES='mscoree,mshtml=', LC_ALL='uk_UA.UTF-8', LANG='uk_UA.UTF-8')
    if os.path.exists(stage('state.json')):
        e['DISPLAY'] = state()['display']
    e.update(extra)
    return e


def run(cmd, timeout=60, check=True, **kw):
    """The command's output goes through files, not pipes: what Wine leaves running in the
    background holds them open long after the command ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        p = subprocess.run(cmd, env=kw.pop('environment', env()), stdin=subprocess.DEVNULL,
                           stdout=out, stderr=err, timeout=timeout, **kw)
        out.seek(0)
        err.seek(0)
        p.stdout, p.stderr = out.read(), err.read()
    if check and p.returncode != 0:
        raise StageError('%s ended with %d: %s' % (' '.join(cmd), p.returncode,
                                                     p.stderr.decode(errors='replace')[-2000:]))
    return p


def wine(*args, **kw):
    return run(['wine'] + list(args), **kw)


def wait_for(what, condition, timeout=30, proc=None, interval=0.1):
    """condition's first true value, polled until the deadline; a program that ends meanwhile
    (proc) fails the wait at once."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if proc is not None and proc.poll() is not None:
            fail('%s: the program ended first (exit code %s)' % (what, proc.returncode))
        if time.monotonic() > deadline:
            fail('%s: not within %d s' % (what, timeout))
        time.sleep(interval)


# ---- the screen ----------------------------------------------------------------------------

def xdo(*args, check=True):
    return run(['xdotool'] + [str(a) for a in args], check=check).stdout.decode().strip()


def windows():
    """Visible top-level windows: (id, name)."""
    ids = xdo('search', '--onlyvisible', '--name', '.*', check=False).split()
    result = []
    for wid in ids:
        name = xdo('getwindowname', wid, check=False)
        result.append((wid, name))
    return result


def find(name):
    ids = xdo('search', '--onlyvisible', '--name', name, check=False).split()
    return ids[-1] if ids else None


def wait_window(name, timeout=30, proc=None):
    return wait_for('window "%s"' % name, lambda: find(name), timeout, proc)


def wait_gone(name, timeout=20):
    wait_for('window "%s" to close' % name, lambda: not find(name), timeout)


def shot(name):
    os.makedirs(stage('shots'), exist_ok=True)
    path = stage('shots', name + '.png')
    run(['import', '-window', 'root', path], check=False)
    return path


def window_shot(wid, name):
    """The window with its frame's surroundings cut from the whole screen."""
    os.makedirs(stage('shots'), exist_ok=True)
    g = geometry(wid)
    path = stage('shots', name + '.png')
    run(['import', '-window', 'root', '-crop', '%dx%d+%d+%d' % (
        g['w'] + 16, g['h'] + 40, max(0, g['x'] - 8), max(0, g['y'] - 32)), '+repage', path],
        check=False)
    return path


def clipboard():
    p = run([sys.executable, '-c', 'import tkinter; t = tkinter.Tk(); t.withdraw(); '
             'print(t.clipboard_get())'], check=False)
    return p.stdout.decode(errors='replace')


def fail(message):
    SHOT_COUNT[0] += 1
    path = shot('failure-%s-%d' % (ARGS.step, SHOT_COUNT[0]))
    listing = '; '.join('%s "%s"' % w for w in windows() if w[1]) if os.path.exists(
        stage('state.json')) else 'no X server'
    raise StageError('%s\n  windows: %s\n  screenshot: %s' % (message, listing, path))


def geometry(wid):
    """The window's place on the screen (xwininfo's; xdotool's is off by the frame)."""
    out = run(['xwininfo', '-id', wid]).stdout.decode()

    def value(label):
        return int(re.search(label + r':\s+(-?\d+)', out).group(1))
    return {'x': value('Absolute upper-left X'), 'y': value('Absolute upper-left Y'),
            'w': value('Width'), 'h': value('Height')}


def stacking():
    """The managed windows, bottom to top, as the window manager stacks them."""
    out = run(['xprop', '-root', '_NET_CLIENT_LIST_STACKING']).stdout.decode()
    return [int(w, 16) for w in re.findall(r'0x[0-9a-f]+', out)]


def activate(wid):
    xdo('windowactivate', '--sync', wid, check=False)
    wait_for('focus on window %s' % wid, lambda: xdo('getactivewindow', check=False) == wid, 5)


def keys(wid, *names):
    """Key presses as the keyboard gives them, to the window that has the focus."""
    activate(wid)
    for name in names:
        xdo('key', '--delay', '60', name)
        time.sleep(0.15)


def click(wid, x, y):
    """A click at a point of the window's client area."""
    activate(wid)
    g = geometry(wid)
    xdo('mousemove', '--sync', g['x'] + x, g['y'] + y)
    xdo('click', '1')


def menu(main, *path):
    """A menu command by keyboard: Alt alone takes the menu bar, arrows go to the item."""
    keys(main, 'alt', *path)


# ---- the program ---------------------------------------------------------------------------

def shortcut():
    found = glob.glob(prefix('drive_c', '**', 'Start Menu', 'Programs', '4ВТ', '4ВТ.lnk'),
                      recursive=True)
    if not found:
        raise StageError('no Start-menu shortcut 4ВТ\\4ВТ.lnk in the prefix')
    return found[0]


def start_command():
    """As the shortcut starts the program: its target, in its working folder (start.exe does
    not wait for a program started through a .lnk, so the shortcut is read, not opened)."""
    with open(shortcut(), 'rb') as f:
        link = f.read()
    for text in (INSTALL, '4vt.exe'):
        if text.encode('utf-16-le') not in link and text.encode() not in link:
            raise StageError('the shortcut does not name %s' % text)
    return ['wine', 'start', '/wait', '/d', INSTALL, INSTALL + r'\4vt.exe']


def start(books=None, starts=None):
    """4vt.exe as its shortcut starts it; the process that waits for it."""
    extra = {}
    if books:
        extra['FVT_FAKE_BOOKS'] = 'Z:' + books.replace('/', '\\')
    if starts:
        extra['FVT_FAKE_STARTS'] = 'Z:' + starts.replace('/', '\\')
    return subprocess.Popen(start_command(), env=env(**extra), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main_window(proc, splash_shot=None):
    """Waits for the main window; the splash is photographed if it is caught on the way."""
    splash = []

    def look():
        for wid, name in windows():
            if name == '4ВТ':
                return wid
            if splash_shot and not splash and geometry(wid)['w'] == 241:
                splash.append(window_shot(wid, splash_shot))
        return None
    wid = wait_for('main window "4ВТ"', look, 60, proc, interval=0.02)
    return wid, (splash[0] if splash else None)


def close(proc, main):
    keys(main, 'alt+F4')
    try:
        proc.wait(20)
    except subprocess.TimeoutExpired:
        fail('4vt.exe still running 20 s after its main window was closed')


def registry():
    """The subkey's values, from regedit's export; None when there is no subkey."""
    out = stage('export.reg')
    if os.path.exists(out):
        os.remove(out)
    wine('regedit', '/E', 'Z:' + out.replace('/', '\\'), KEY, check=False)
    if not os.path.exists(out):
        return None
    with open(out, 'rb') as f:
        text = f.read().decode('utf-16')
    values = {}
    for m in re.finditer(r'^"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"\r?$', text, re.M):
        values[unescape(m.group(1))] = unescape(m.group(2))
    return values


def unescape(s):
    return re.sub(r'\\(.)', r'\1', s)


def table(path):
    with open(path, encoding='utf-8') as f:
        return dict(line.rstrip('\n').split('\t', 1) for line in f if line.strip())


def import_settings(values):
    text = 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n' % KEY
    for name, value in values.items():
        text += '"%s_Text"="%s"\r\n' % (name, value.replace('\\', '\\\\').replace('"', '\\"'))
    path = stage('import.reg')
    with open(path, 'wb') as f:
        f.write(b'\xff\xfe' + (text + '\r\n').encode('utf-16-le'))
    wine('regedit', '/S', 'Z:' + path.replace('/', '\\'))


def expect(condition, message):
    if not condition:
        fail(message)


def reference(*parts):
    return stage('reference', *parts)


# ---- the steps -----------------------------------------------------------------------------

def free_display():
    for n in range(20, 100):
        if not os.path.exists('/tmp/.X11-unix/X%d' % n) and not os.path.exists('/tmp/.X%d-lock' % n):
            return ':%d' % n
    raise StageError('no free X display')


def step_setup():
    step_down()
    shutil.rmtree(ARGS.stage, ignore_errors=True)
    os.makedirs(prefix())
    # What the Linux program makes of the demo books.
    run([os.path.join(ARGS.linux_build, 'bin', 'winapp-reference'), reference()],
        environment=dict(os.environ, QT_QPA_PLATFORM='offscreen', LC_ALL='uk_UA.UTF-8'))
    # The installer of this build, made again when a program is newer than it.
    installer = glob.glob(os.path.join(ARGS.build, '4vt-*-win64.exe'))
    built = max(os.path.getmtime(os.path.join(ARGS.build, 'bin', exe))
                for exe in ('4vt.exe', '4vt-check.exe'))
    if not installer or os.path.getmtime(installer[0]) < built:
        run([ARGS.cpack, '-G', 'NSIS'], timeout=240, cwd=ARGS.build)
        installer = glob.glob(os.path.join(ARGS.build, '4vt-*-win64.exe'))
    if not installer:
        raise StageError('cpack made no 4vt-*-win64.exe in ' + ARGS.build)

    display = ARGS.display or free_display()
    log = open(stage('x.log'), 'w')
    xvfb = subprocess.Popen(['Xvfb', display, '-screen', '0', '1280x1024x24', '-noreset',
                             '-nolisten', 'tcp'], stdout=log, stderr=log, start_new_session=True)
    sock = '/tmp/.X11-unix/X' + display.lstrip(':')
    wait_for('Xvfb on ' + display, lambda: os.path.exists(sock) or xvfb.poll() is not None, 10)
    if xvfb.poll() is not None:
        raise StageError('Xvfb %s did not start: see %s' % (display, stage('x.log')))
    openbox = subprocess.Popen(['openbox'], env=dict(os.environ, DISPLAY=display), stdout=log,
                               stderr=log, start_new_session=True)
    with open(stage('state.json'), 'w') as f:
        json.dump({'display': display, 'pids': [openbox.pid, xvfb.pid]}, f)
    wait_for('openbox', lambda: run(['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'],
                                    check=False).stdout.find(b'window id') >= 0, 10)

    # The prefix, its server kept for the whole stage.
    run(['wineboot', '-i'], timeout=180)
    run(['wineserver', '-p'], check=False)  # one already running after wineboot: it persists
    wine('reg', 'add', r'HKCU\Software\Wine\WineDbg', '/v', 'ShowCrashDialog', '/t',
         'REG_DWORD', '/d', '0', '/f')
    for font, replacement in FONTS.items():
        wine('reg', 'add', r'HKCU\Software\Wine\Fonts\Replacements', '/v', font, '/d',
             replacement, '/f')

    p = run(['wine', installer[0], '/S'], timeout=120)
    exe = unix_path(INSTALL + r'\4vt.exe')
    expect(os.path.exists(exe), 'the silent install left no %s\\4vt.exe' % INSTALL)
    expect(wine('reg', 'query', UNINSTALL_KEY, check=False).returncode == 0,
           'the install listed no %s among the installed programs' % UNINSTALL_KEY)
    # The accounting program, where "БУХ ВЫР" finds it: beside the program.
    shutil.copy(ARGS.fake_buh, unix_path(INSTALL + '\\БУХ.exe'))
    print('installed from %s (exit code %d); shortcut %s' % (installer[0], p.returncode,
                                                             shortcut()))


def step_down():
    if os.path.exists(stage('prefix')):
        subprocess.run(['wineserver', '-k'], env=env(), stderr=subprocess.DEVNULL)
    if os.path.exists(stage('state.json')):
        for pid in state()['pids']:
            try:
                os.killpg(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass


def step_no_accounting_program():
    starts = stage('starts-none')
    if os.path.exists(starts):
        os.remove(starts)
    proc = start(starts=starts)
    main, splash = main_window(proc, 'splash')
    window_shot(main, 'main-window')
    box = wait_window('^Error$', 30, proc)
    window_shot(box, 'error-box')
    with open(starts, encoding='cp1251') as f:
        lines = f.read().splitlines()
    expect(lines == ['ВЫР'], '"БУХ ВЫР" started %d times, with %s' % (len(lines), lines))
    # The box's text, as the clipboard gives it (Ctrl+C on a message box).
    keys(box, 'ctrl+c')
    text = clipboard()
    expect('Для роботи необхідно запустити 1С бухгалтерію' in text,
           'the Error box says: %r' % text)
    keys(box, 'Return')
    try:
        proc.wait(20)
    except subprocess.TimeoutExpired:
        fail('4vt.exe still running after its Error box was dismissed')
    expect(registry() is None, 'a start without the accounting program stored settings')
    print('splash: %s' % (splash or 'shown too briefly to be photographed'))


def step_second_start():
    proc = start(books=reference('books.tsv'))
    main, _ = main_window(proc)
    # Something else on top: the second start must bring the first copy's window back.
    xterm = subprocess.Popen(['xmessage', '-name', 'cover', '-geometry', '1280x1024+0+0',
                              'cover'], env=env())
    cover = wait_window('^xmessage$|^cover$', 10)
    activate(cover)
    expect(stacking().index(int(main)) < stacking().index(int(cover)), 'the cover is not on top')
    before = set(w for w, _ in windows())
    second = run(start_command(), check=False)
    after = set(w for w, _ in windows())
    expect(second.returncode == 0, 'the second start ended with %d' % second.returncode)
    expect(after <= before | {cover}, 'the second start showed windows of its own: %s' % (
        after - before))
    wait_for('the first copy\'s window raised above the others',
             lambda: stacking().index(int(main)) > stacking().index(int(cover)), 5)
    xterm.kill()
    print('second start: exit code 0, nothing shown, the first copy\'s window on top')
    close(proc, main)


def step_settings():
    expect(registry() is None, 'settings were stored before any "ОК"')
    defaults, demo = table(reference('defaults.tsv')), table(reference('demo.tsv'))
    proc = start(books=reference('books.tsv'))
    main, _ = main_window(proc)
    menu(main, 'Return')
    dialog = wait_window('^Настройки$', 15, proc)
    shoot_pages(dialog, 'settings-defaults')
    click(dialog, 392 + 37, 480 + 12)  # "ОК"
    wait_gone('^Настройки$')
    stored = registry()
    expect(stored is not None and len(stored) == 58,
           'after "ОК" the subkey holds %s values' % (len(stored) if stored else 'no'))
    fields = {k[:-5]: v for k, v in stored.items() if k.endswith('_Text')}
    expect(fields == defaults, 'the stored fields are not the defaults: %s' % diff(fields, defaults))
    close(proc, main)

    # Stored values at the next start: "ОК" stores what the dialog shows.
    import_settings(demo)
    proc = start(books=reference('books.tsv'))
    main, _ = main_window(proc)
    menu(main, 'Return')
    dialog = wait_window('^Настройки$', 15, proc)
    click(dialog, 392 + 37, 480 + 12)
    wait_gone('^Настройки$')
    stored = {k[:-5]: v for k, v in registry().items() if k.endswith('_Text')}
    expect(stored == demo, 'the next start did not show the stored settings: %s' % diff(stored,
                                                                                          demo))
    close(proc, main)


def shoot_pages(dialog, name):
    for page in range(3):
        window_shot(dialog, '%s-page%d' % (name, page + 1))
        keys(dialog, 'ctrl+Tab')


def diff(got, want):
    keys_ = sorted(set(got) | set(want))
    return ', '.join('%s: %r, not %r' % (k, got.get(k), want.get(k)) for k in keys_
                     if got.get(k) != want.get(k))[:1500]


def report_dialog(proc, main):
    menu(main, 'Right', 'Return')
    return wait_window('^Формування звітів$', 15, proc)


def generate(proc, dialog):
    """"Сформувати файл"; the tax file as the check window shows it done."""
    for folder in temp_folders():
        if os.path.exists(os.path.join(folder, 'DA071401.3')):
            os.remove(os.path.join(folder, 'DA071401.3'))
    click(dialog, 8 + 52, 264 + 12)
    check = wait_window('^Перевірка файлу$', 60, proc)
    found = [os.path.join(d, 'DA071401.3') for d in temp_folders()
             if os.path.exists(os.path.join(d, 'DA071401.3'))]
    expect(found, 'no DA071401.3 in %s' % temp_folders())
    target = found[0]
    return target, check


def copy_to(proc, dialog, destination_file):
    """"Вигрузити файл": the box that asks for the medium, then the copy."""
    click(dialog, 232 + 52, 264 + 12)
    box = wait_window('^4vt$', 15, proc)
    window_shot(box, 'copy-box-%d' % len(glob.glob(stage('shots', 'copy-box-*'))))
    keys(box, 'Return')
    wait_gone('^4vt$')
    wait_for(destination_file, lambda: os.path.exists(unix_path(destination_file)), 15, proc)
    return unix_path(destination_file)


def same_bytes(a, b):
    with open(a, 'rb') as fa, open(b, 'rb') as fb:
        return fa.read() == fb.read()


def step_generation():
    demo = table(reference('demo.tsv'))
    out = r'C:\Вивантаження\квартал'
    for old in (unix_path(r'C:\Вивантаження'), unix_path(r'C:\TAX'),
                unix_path(r'C:\TAXDA071401.3')):
        shutil.rmtree(old, ignore_errors=True) if os.path.isdir(old) else (
            os.path.exists(old) and os.remove(old))
    import_settings(dict(demo, DestinationA=out + '\\'))
    os.makedirs(unix_path(r'C:\TAX'), exist_ok=True)
    proc = start(books=reference('books.tsv'))
    main, _ = main_window(proc)
    dialog = report_dialog(proc, main)
    window_shot(dialog, 'report-dialog')
    tax, check = generate(proc, dialog)
    window_shot(check, 'check-window')
    expect(same_bytes(tax, reference('DA071401.3')),
           'the temporary folder\'s DA071401.3 differs from the Linux program\'s')
    copied = copy_to(proc, dialog, out + r'\DA071401.3')
    expect(same_bytes(copied, tax), 'the copy in %s differs from the tax file' % out)
    expect(abs(os.path.getmtime(copied) - os.path.getmtime(tax)) < 2,
           'the copy does not keep the tax file\'s time')

    # The printed form, saved as PDF from its preview.
    activate(dialog)
    click(dialog, 120 + 52, 264 + 12)
    preview = wait_window('^Перегляд звіту', 30, proc)
    window_shot(preview, 'preview')
    keys(preview, 'ctrl+s')
    save = wait_window('^Зберегти у PDF$', 15, proc)
    pdf = r'C:\out\4vt.pdf'
    shutil.rmtree(unix_path(r'C:\out'), ignore_errors=True)
    os.makedirs(unix_path(r'C:\out'))
    keys(save, 'ctrl+a')
    xdo('type', '--delay', '30', pdf)
    window_shot(save, 'save-pdf-dialog')  # painted whole by now
    keys(save, 'Return')
    wait_for(pdf, lambda: os.path.exists(unix_path(pdf)), 30, proc)
    wait_gone('^Зберегти у PDF$')
    compare_pdf(unix_path(pdf), reference('4vt.pdf'))
    keys(preview, 'alt+F4')
    wait_gone('^Перегляд звіту')
    close_dialog(dialog)
    close(proc, main)

    # "C:\TAX" without its "\": the file goes to C:\ as TAXDA071401.3, not into the folder.
    import_settings(dict(demo, DestinationA=r'C:\TAX'))
    proc = start(books=reference('books.tsv'))
    main, _ = main_window(proc)
    dialog = report_dialog(proc, main)
    generate(proc, dialog)
    copy_to(proc, dialog, r'C:\TAXDA071401.3')
    expect(os.listdir(unix_path(r'C:\TAX')) == [], 'the copy went into C:\\TAX')
    close_dialog(dialog)
    close(proc, main)
    compare_check(tax)


def close_dialog(dialog):
    click(dialog, 352 + 37, 264 + 12)  # "Відмінити"
    wait_gone('^Формування звітів$')


def pdf_pages(path):
    info = run(['pdfinfo', path]).stdout.decode()
    pages = int(re.search(r'^Pages:\s+(\d+)', info, re.M).group(1))
    return [run(['pdftotext', '-layout', '-f', str(n), '-l', str(n), path, '-']).stdout.decode()
            for n in range(1, pages + 1)]


def compare_pdf(got, want):
    a, b = pdf_pages(got), pdf_pages(want)
    expect(len(a) == len(b), 'the PDF has %d pages, the Linux program\'s %d' % (len(a), len(b)))
    for n, (x, y) in enumerate(zip(a, b), 1):
        # The same words on each page; the lines pdftotext groups them into may differ by a
        # fraction of a point in a word's height.
        missing, extra = sorted(set(y.split()) - set(x.split())), sorted(set(x.split()) - set(
            y.split()))
        expect(sorted(x.split()) == sorted(y.split()),
               'page %d\'s words differ from the Linux PDF\'s: missing %s, extra %s' % (
                   n, missing[:40], extra[:40]))
    fonts = run(['pdffonts', got]).stdout.decode().splitlines()[2:]
    expect(fonts and all(line.split()[-5] == 'yes' for line in fonts),
           'fonts not embedded:\n' + '\n'.join(fonts))
    run(['pdftoppm', '-png', '-r', '60', got, stage('shots', 'pdf-windows')], check=False)
    print('PDF: %d pages, same text; fonts: %s' % (len(a), ', '.join(l.split()[0] for l in fonts)))


def compare_check(tax):
    """4vt-check.exe and the Linux 4vt-check on the same file, from its folder."""
    folder = os.path.dirname(tax)
    name = os.path.basename(tax)
    linux = run([os.path.join(ARGS.linux_build, 'bin', '4vt-check'), name], cwd=folder,
                check=False, environment=dict(os.environ, LC_ALL='uk_UA.UTF-8'))
    win = wine(unix_path(INSTALL + r'\4vt-check.exe'), name, cwd=folder, check=False)
    got, want = normalise(win.stdout), normalise(linux.stdout)
    expect(win.returncode == linux.returncode, '4vt-check.exe ended with %d, the Linux tool %d'
           % (win.returncode, linux.returncode))
    expect(got == want and want, '4vt-check.exe says:\n%s\nthe Linux tool:\n%s' % (
        '\n'.join(got[:10]), '\n'.join(want[:10])))
    print('4vt-check: %d findings alike, exit code %d' % (len(want), linux.returncode))


def normalise(raw):
    try:
        text = raw.decode('utf-8')
    except UnicodeDecodeError:
        text = raw.decode('cp1251')
    return [line.rstrip() for line in text.replace('\r\n', '\n').splitlines() if line.strip()]


def step_looks():
    proc = start(books=reference('books.tsv'))
    main, _ = main_window(proc)
    menu(main, 'Right', 'Right', 'Return', 'Return')
    about = wait_window('^Про програму$', 15, proc)
    window_shot(about, 'about-box')
    keys(about, 'Escape')
    wait_gone('^Про програму$')
    menu(main, 'Right', 'Right', 'Return', 'Down', 'Return')
    help_ = wait_window('^HelpDlg$', 15, proc)
    window_shot(help_, 'instruction-viewer')
    keys(help_, 'Escape')
    wait_gone('^HelpDlg$')
    menu(main, 'Return')
    dialog = wait_window('^Настройки$', 15, proc)
    shoot_pages(dialog, 'settings-demo')
    click(dialog, 480 + 37, 480 + 12)  # "Відмінити"
    wait_gone('^Настройки$')
    close(proc, main)
    run(['pdftoppm', '-png', '-r', '60', reference('4vt.pdf'), stage('shots', 'pdf-linux')],
        check=False)
    print('screenshots in %s' % stage('shots'))


def step_uninstall():
    """The silent uninstall: the program, its shortcut and its entry among the installed
    programs go; the user's settings stay."""
    settings = registry()
    exe = unix_path(INSTALL + r'\4vt.exe')
    link = shortcut()
    # The uninstaller runs again from a copy of itself in the temporary folder and returns.
    wine(unix_path(INSTALL + r'\Uninstall.exe'), '/S', timeout=120)
    wait_for('the uninstall to remove 4vt.exe', lambda: not os.path.exists(exe), 60)
    wait_for('the uninstall to remove the shortcut', lambda: not os.path.exists(link), 30)
    entry = wine('reg', 'query', UNINSTALL_KEY, check=False)
    expect(entry.returncode != 0, 'the uninstall left its entry %s' % UNINSTALL_KEY)
    for left in ('4vt-check.exe', 'Qt6Core.dll', r'platforms\qwindows.dll', 'DA.DBF'):
        expect(not os.path.exists(unix_path(INSTALL + '\\' + left)),
               'the uninstall left %s' % left)
    expect(registry() == settings and settings,
           'the uninstall took the settings of %s with it' % KEY)
    print('uninstalled; %d settings kept' % len(settings))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for name in ('--stage', '--build', '--linux-build', '--fake-buh', '--cpack'):
        parser.add_argument(name, required=True)
    parser.add_argument('--display')
    parser.add_argument('step')
    ARGS = parser.parse_args()
    started = time.monotonic()
    try:
        globals()['step_' + ARGS.step]()
    except (StageError, subprocess.TimeoutExpired) as e:
        print('FAILED %s: %s' % (ARGS.step, e), file=sys.stderr)
        # What the step left running goes, so that the next step starts a first copy.
        if os.path.exists(prefix()):
            subprocess.run(['wineserver', '-k'], env=env(), stderr=subprocess.DEVNULL)
            run(['wineserver', '-p'], check=False)
        return 1
    print('%s: %.1f s' % (ARGS.step, time.monotonic() - started))
    return 0


if __name__ == '__main__':
    sys.exit(main())
