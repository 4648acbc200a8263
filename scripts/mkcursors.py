# Draws the navigation cursors as 32x32 XPM images (black strokes, white rim).
import math, sys
N = 32
def blank(): return [[0]*N for _ in range(N)]
def dot(g, x, y, r=1.0):
    for j in range(N):
        for i in range(N):
            if (i-x)**2 + (j-y)**2 <= r*r: g[j][i] = 1
def line(g, x0, y0, x1, y1, r=1.0):
    n = int(max(abs(x1-x0), abs(y1-y0))*3)+1
    for k in range(n+1):
        t = k/n; dot(g, x0+(x1-x0)*t, y0+(y1-y0)*t, r)
def arc(g, cx, cy, rx, ry, a0, a1, r=1.0):
    n = 200
    pts = [(cx+rx*math.cos(math.radians(a0+(a1-a0)*k/n)), cy-ry*math.sin(math.radians(a0+(a1-a0)*k/n))) for k in range(n+1)]
    for p in pts: dot(g, p[0], p[1], r)
    return pts
def head(g, tip, back, w=4.0):
    dx, dy = tip[0]-back[0], tip[1]-back[1]; L = math.hypot(dx, dy); dx/=L; dy/=L
    bx, by = tip[0]-dx*6, tip[1]-dy*6
    line(g, tip[0], tip[1], bx-dy*w, by+dx*w); line(g, tip[0], tip[1], bx+dy*w, by-dx*w)
def write(g, name, var):
    out = [[' ']*N for _ in range(N)]
    for j in range(N):
        for i in range(N):
            if g[j][i]: out[j][i] = '#'
    for j in range(N):
        for i in range(N):
            if out[j][i] == ' ' and any(0<=j+b<N and 0<=i+a<N and g[j+b][i+a] for a in (-1,0,1) for b in (-1,0,1)):
                out[j][i] = 'o'
    rows = ['"' + ''.join(r) + '"' for r in out]
    with open(name, 'w') as f:
        f.write('/* XPM */\nstatic const char* const %s[] = {\n"32 32 3 1",\n"  c None",\n"# c #000000",\n"o c #FFFFFF",\n' % var)
        f.write(',\n'.join(rows) + '};\n')
d = sys.argv[1]
g = blank(); pts = arc(g, 16, 16, 13, 6, 200, 520, 0.9); head(g, pts[-1], pts[-8]); dot(g, 16, 16, 2.2)
write(g, d + '/orbit.xpm', 'orbit_xpm')
g = blank(); pts = arc(g, 16, 16, 11, 11, 110, 400, 0.9); head(g, pts[-1], pts[-8]); line(g, 16, 13, 16, 19, 0.8); line(g, 13, 16, 19, 16, 0.8)
write(g, d + '/roll.xpm', 'roll_xpm')
g = blank(); line(g, 10, 7, 22, 7, 0.8); line(g, 3, 25, 29, 25, 0.8); line(g, 10, 7, 3, 25, 0.8); line(g, 22, 7, 29, 25, 0.8)
line(g, 16, 10, 16, 22, 0.8); head(g, (16, 10), (16, 16), 3); head(g, (16, 22), (16, 16), 3)
write(g, d + '/persp.xpm', 'perspective_xpm')
