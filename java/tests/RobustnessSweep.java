import QuervikPkg.Quervik;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Arrays;
import java.util.Comparator;

/**
 * Calls every export of the host class with hostile arguments: all null, all empty, paths
 * that do not exist, garbage numbers and lengths, very long texts, and mixtures. Run in its
 * own JVM by RobustnessSweepTest, in a scratch directory and with a card module that holds
 * no card, so a crash or a hang shows as a failure of that test and nothing real is touched.
 */
public class RobustnessSweep {
    static final String[] HOSTILE = {
        null, "", "/nonexistent/dir/file.drg", "-1", "0", "99999999999999999999999", "-2147483649",
        "abc", "\u0000", "C:\\NEEXISTUJE\\F.DRG", "x".repeat(100_000), "%s%s%s%n%d", "\u00e9\ud83d\ude00",
    };

    public static void main(String[] args) throws Exception {
        Method[] exports = Quervik.class.getDeclaredMethods();
        Arrays.sort(exports, Comparator.comparing(Method::getName));
        int calls = 0;
        for (Method m : exports) {
            if (!Modifier.isNative(m.getModifiers())) continue;
            int n = m.getParameterCount();
            for (int variant = 0; variant < HOSTILE.length + 2; variant++) {
                Object[] a = new Object[n];
                for (int i = 0; i < n; i++) {
                    if (variant < HOSTILE.length) a[i] = HOSTILE[variant];
                    else a[i] = HOSTILE[(i * 7 + variant) % HOSTILE.length];  // mixtures
                }
                m.invoke(null, a);
                calls++;
                if (n == 0) break;
            }
            Quervik.clearErrors();
        }
        Quervik.closeErrorFile();
        Quervik.closeGLOG();
        System.out.println("sweep done: " + calls + " calls");
    }
}
